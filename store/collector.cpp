// A collecting server's own tables (collector.h).
#include "store/collector.h"

#include "store/db.h"
#include "store/dialect.h"
#include "store/error.h"
#include "store/unit.h"

#include <map>

namespace store {

namespace {

// An entry of the audit log, in the caller's unit (so it stands or falls
// with what it records).
void write_audit(Connection &db, int64_t now, const std::string &researcher, const std::string &action,
                 const std::string &detail)
{
    db.prepare("INSERT INTO audit_log (at, researcher, action, detail) VALUES (?, ?, ?, ?)")
        ->bind(1, now).bind(2, researcher).bind(3, action).bind(4, detail).run();
}

// Bytes as hex digits: an archive or a refused body may hold any byte, and
// a PostgreSQL text column takes no NUL.
std::string to_hex(const std::string &bytes)
{
    static const char digits[] = "0123456789abcdef";
    std::string hex;
    hex.reserve(bytes.size() * 2);
    for (unsigned char b : bytes)
        hex += {digits[b >> 4], digits[b & 15]};
    return hex;
}

std::string from_hex(const std::string &hex)
{
    auto value = [](char c) { return c <= '9' ? c - '0' : c - 'a' + 10; };
    std::string bytes(hex.size() / 2, '\0');
    for (size_t i = 0; i < bytes.size(); i++)
        bytes[i] = char(value(hex[2 * i]) << 4 | value(hex[2 * i + 1]));
    return bytes;
}

Study read_study(Statement &q)
{
    Study s;
    s.key = q.text(0);
    s.name = q.text(1);
    s.archive_crc32 = q.text(2);
    s.archive_bytes = q.int64(3);
    s.open = q.int64(4) != 0;
    s.created = q.int64(5);
    return s;
}

const char study_columns[] = "study_key, name, archive_crc32, archive_bytes, is_open, created";

}  // namespace

void Collector::add_study(const Study &s, const std::string &archive)
{
    try {
        Unit unit(store_);
        store_.db_->prepare("INSERT INTO studies (study_key, name, archive_crc32, archive_bytes, archive, is_open, "
                            "created) VALUES (?, ?, ?, ?, ?, ?, ?)")
            ->bind(1, s.key).bind(2, s.name).bind(3, s.archive_crc32).bind(4, s.archive_bytes)
            .bind(5, to_hex(archive)).bind(6, int64_t(s.open)).bind(7, s.created).run();
        unit.commit();
    } catch (const DbError &e) {
        store_.translate(e, "adding a study");
    }
}

std::optional<Study> Collector::study(const std::string &key)
{
    try {
        auto q = store_.db_->prepare(std::string("SELECT ") + study_columns + " FROM studies WHERE study_key = ?");
        if (!q->bind(1, key).step())
            return std::nullopt;
        return read_study(*q);
    } catch (const DbError &e) {
        store_.translate(e, "reading a study");
    }
}

std::string Collector::archive(const std::string &key)
{
    try {
        auto q = store_.db_->prepare("SELECT archive FROM studies WHERE study_key = ?");
        return q->bind(1, key).step() ? from_hex(q->text(0)) : std::string();
    } catch (const DbError &e) {
        store_.translate(e, "reading a study's archive");
    }
}

bool Collector::set_open(const std::string &key, bool open)
{
    try {
        if (!study(key))
            return false;
        Unit unit(store_);
        store_.db_->prepare("UPDATE studies SET is_open = ? WHERE study_key = ?")->bind(1, int64_t(open)).bind(2, key).run();
        unit.commit();
        return true;
    } catch (const DbError &e) {
        store_.translate(e, "opening or closing a study");
    }
}

std::vector<StudyProgress> Collector::studies(int64_t now)
{
    try {
        std::vector<StudyProgress> all;
        auto q = store_.db_->prepare(
            std::string("SELECT ") + study_columns +
            ", (SELECT count(*) FROM study_sessions ss WHERE ss.study_key = studies.study_key),"
            " (SELECT count(*) FROM study_sessions ss WHERE ss.study_key = studies.study_key"
            "   AND ss.ended_by IN ('completed', 'esc')),"
            " (SELECT count(*) FROM study_sessions ss WHERE ss.study_key = studies.study_key AND ss.first_row >= ?)"
            " FROM studies ORDER BY created, study_key");
        q->bind(1, now - 3600);
        while (q->step()) {
            StudyProgress p;
            p.study = read_study(*q);
            p.started = q->int64(6);
            p.finished = q->int64(7);
            p.unfinished = p.started - p.finished;
            p.last_hour = q->int64(8);
            all.push_back(p);
        }
        return all;
    } catch (const DbError &e) {
        store_.translate(e, "reading the studies");
    }
}

namespace {

constexpr int look_ahead = 64;  // rows whose sessions and kept bodies are read in one query

std::string repeated(const std::string &one, int n)
{
    std::string all = one;
    for (int i = 1; i < n; i++)
        all += ", " + one;
    return all;
}

}  // namespace

// What a batch knows of its sessions and rows: read once for many rows,
// then kept up to date by the batch's own writes (it holds the writer lock).
struct Collector::BatchState {
    struct SessionSeen {
        bool known = false;
        std::string owner;
        int64_t rows = 0;
    };
    std::map<std::string, SessionSeen> sessions;
    std::map<std::pair<std::string, int64_t>, std::optional<std::string>> kept;  // nullopt: no row
};

// The statements of a batch of rows, prepared once on the writer's
// connection: a server prepares nothing per row, and on PostgreSQL a
// batch's reads are a few round trips, its writes pipelined.
struct Collector::RowStatements {
    explicit RowStatements(Connection &db)
        : study(db.prepare(std::string("SELECT ") + study_columns + " FROM studies WHERE study_key = ?")),
          sessions(db.prepare("SELECT session, study_key, rows_kept FROM study_sessions WHERE session IN (" +
                              repeated("?", look_ahead) + ")")),
          bodies(db.prepare("SELECT session, row_number, body FROM journal_rows WHERE (session, row_number) IN "
                            "(VALUES " + repeated("(?, CAST(? AS BIGINT))", look_ahead) + ")")),
          keep(db.prepare("INSERT INTO journal_rows (session, row_number, body) VALUES (?, ?, ?)")),
          keep_apart(db.prepare("INSERT INTO journal_row_conflicts (session, row_number, body_sha256, body) "
                                "VALUES (?, ?, ?, ?) ON CONFLICT DO NOTHING")),
          first(db.prepare("INSERT INTO study_sessions (session, study_key, participant, first_row, last_row, "
                           "rows_kept) VALUES (?, ?, ?, ?, ?, 1)")),
          more(db.prepare("UPDATE study_sessions SET rows_kept = rows_kept + 1, last_row = ? WHERE session = ?")),
          ended(db.prepare("UPDATE study_sessions SET ended_by = ?, right_total = ?, wrong_total = ?, answered = ? "
                           "WHERE session = ?")),
          resumed(db.prepare("UPDATE study_sessions SET ended_by = NULL WHERE session = ?")),
          quarantine(db.prepare("INSERT INTO quarantine (study_key, received, client, reason, query, body_hex) "
                                "VALUES (?, ?, ?, ?, ?, ?)"))
    {
    }
    std::unique_ptr<Statement> study, sessions, bodies, keep, keep_apart, first, more, ended, resumed, quarantine;
};

Collector::Collector(Store &store) : store_(store) {}
Collector::~Collector() = default;

const char *arrival_reason(Arrival a)
{
    switch (a) {
    case Arrival::other_study: return "the session belongs to another study";
    case Arrival::wrong_archive: return "the row names another archive than the study's";
    case Arrival::wrong_items: return "the row names the study's archive with another item count than the archive's";
    default: return "";
    }
}

void Collector::put_rows(const std::vector<RowRequest *> &batch)
{
    try {
        Connection &db = *store_.db_;
        Unit unit(store_);
        if (!rows_)
            rows_ = std::make_unique<RowStatements>(db);
        RowStatements &st = *rows_;
        db.set_pipelined(true);  // writes are only sent; the look-aheads read them back in order
        std::map<std::string, std::optional<Study>> studies;  // read in this unit: a study closed is closed
        BatchState state;
        for (size_t at = 0; at < batch.size(); at++) {
            RowRequest *q = batch[at];
            if (at % look_ahead == 0)
                look_ahead_from(batch, at, state);
            auto s = studies.find(q->row.study_key);
            if (s == studies.end()) {
                std::optional<Study> found;
                if (st.study->bind(1, q->row.study_key).step())
                    found = read_study(*st.study);
                st.study->reset();
                s = studies.emplace(q->row.study_key, found).first;
            }
            if (!s->second || !s->second->open) {
                q->arrival = s->second ? Arrival::closed : Arrival::no_study;
                continue;
            }
            q->arrival = q->refused.empty() ? put_one(q->row, *s->second, state) : Arrival::refused;
            const char *reason = arrival_reason(q->arrival);
            if (q->arrival == Arrival::refused || *reason) {
                const Quarantined &k = q->quarantine;
                st.quarantine->bind(1, q->row.study_key).bind(2, k.received).bind(3, k.client)
                    .bind(4, *reason ? std::string(reason) : q->refused).bind(5, k.query).bind(6, to_hex(k.body)).run();
            }
        }
        db.set_pipelined(false);  // the first failure of the batch surfaces here
        unit.commit();
    } catch (const DbError &e) {
        rows_.reset();  // the connection may be broken: prepared again on the next
        store_.translate(e, "adding rows");
    }
}

void Collector::set_row_writer()
{
    try {
        store::set_row_writer(*store_.db_);
    } catch (const DbError &e) {
        store_.translate(e, "setting up the writer");
    }
}

void Collector::checkpoint()
{
    try {
        store::checkpoint(*store_.db_);
    } catch (const DbError &e) {
        store_.translate(e, "copying the log into the database");
    }
}

void Collector::look_ahead_from(const std::vector<RowRequest *> &batch, size_t from, BatchState &state)
{
    RowStatements &st = *rows_;
    int sessions = 0, pairs = 0;
    for (size_t i = from; i < batch.size() && i < from + look_ahead; i++) {
        const ArrivingRow &r = batch[i]->row;
        if (!batch[i]->refused.empty())
            continue;
        if (!state.sessions.count(r.session)) {
            state.sessions[r.session];  // not kept unless read below
            st.sessions->bind(++sessions, r.session);
        }
        if (!state.kept.count({r.session, r.row})) {
            state.kept[{r.session, r.row}];
            pairs++;
            st.bodies->bind(2 * pairs - 1, r.session).bind(2 * pairs, r.row);
        }
    }
    for (int i = sessions + 1; i <= look_ahead; i++)
        st.sessions->bind_null(i);
    for (int i = pairs + 1; i <= look_ahead; i++)
        st.bodies->bind_null(2 * i - 1).bind_null(2 * i);
    while (st.sessions->step())
        state.sessions[st.sessions->text(0)] = {true, st.sessions->text(1), st.sessions->int64(2)};
    st.sessions->reset();
    while (st.bodies->step())
        state.kept[{st.bodies->text(0), st.bodies->int64(1)}] = st.bodies->text(2);
    st.bodies->reset();
}

Arrival Collector::put_one(const ArrivingRow &r, const Study &study, BatchState &state)
{
    RowStatements &st = *rows_;
    BatchState::SessionSeen &session = state.sessions[r.session];
    std::optional<std::string> &kept_body = state.kept[{r.session, r.row}];
    const bool known = session.known, kept = kept_body.has_value();
    const std::string owner = session.owner, body = kept_body.value_or("");
    const int64_t rows = session.rows;
    if (known && owner != r.study_key)
        return Arrival::other_study;
    if (!r.archive_crc32.empty() && r.archive_crc32 != study.archive_crc32)
        return Arrival::wrong_archive;
    if (!r.archive_crc32.empty() && r.items != r.study_items)
        return Arrival::wrong_items;
    if (kept && body == r.body)
        return Arrival::same;  // a retry: answered even when the session is full
    if (rows >= r.max_rows)
        return Arrival::too_many_rows;
    if (kept) {
        st.keep_apart->bind(1, r.session).bind(2, r.row).bind(3, body_sha256(r.body)).bind(4, r.body).run();
        return Arrival::conflict;
    }
    st.keep->bind(1, r.session).bind(2, r.row).bind(3, r.body).run();
    kept_body = r.body;
    session = {true, r.study_key, rows + 1};
    if (known)
        st.more->bind(1, r.now).bind(2, r.session).run();
    else
        st.first->bind(1, r.session).bind(2, r.study_key).bind(3, r.participant).bind(4, r.now).bind(5, r.now).run();
    if (r.event == "session_end")
        st.ended->bind(1, r.ended_by).bind(2, r.right_total).bind(3, r.wrong_total).bind(4, r.answered)
            .bind(5, r.session).run();
    else if (r.event == "session_interrupted" || r.event == "session_resumed")
        st.resumed->bind(1, r.session).run();
    return Arrival::added;
}

std::vector<Quarantined> Collector::quarantined(int64_t limit)
{
    try {
        std::vector<Quarantined> all;
        auto q = store_.db_->prepare("SELECT id, received, study_key, client, reason, query, body_hex FROM quarantine "
                                     "ORDER BY id DESC LIMIT ?");
        q->bind(1, limit);
        while (q->step())
            all.push_back({q->int64(0), q->int64(1), q->text(2), q->text(3), q->text(4), q->text(5), from_hex(q->text(6))});
        return all;
    } catch (const DbError &e) {
        store_.translate(e, "reading the quarantine");
    }
}

std::vector<SessionSummary> Collector::sessions(const std::string &study_key)
{
    try {
        std::vector<SessionSummary> all;
        auto q = store_.db_->prepare("SELECT session, participant, ended_by, right_total, wrong_total, answered, "
                                     "first_row, last_row, rows_kept FROM study_sessions WHERE study_key = ? "
                                     "ORDER BY first_row, session");
        q->bind(1, study_key);
        while (q->step())
            all.push_back({q->text(0), q->text(1), q->text(2), q->text(3), q->text(4), q->text(5), q->int64(6),
                           q->int64(7), q->int64(8)});
        return all;
    } catch (const DbError &e) {
        store_.translate(e, "reading a study's sessions");
    }
}

void Collector::each_row(const std::string &study_key,
                         const std::function<void(const std::string &, const std::string &, int64_t,
                                                  const std::string &)> &take)
{
    try {
        auto q = store_.db_->prepare("SELECT ss.participant, r.session, r.row_number, r.body FROM journal_rows r "
                                     "JOIN study_sessions ss ON ss.session = r.session WHERE ss.study_key = ? "
                                     "ORDER BY ss.first_row, r.session, r.row_number");
        q->bind(1, study_key);
        while (q->step())
            take(q->text(0), q->text(1), q->int64(2), q->text(3));
    } catch (const DbError &e) {
        store_.translate(e, "reading a study's rows");
    }
}

int64_t Collector::forget(const std::string &study_key, const std::string &participant)
{
    try {
        Unit unit(store_);
        Connection &db = *store_.db_;
        const char *const mine = " WHERE session IN (SELECT session FROM study_sessions WHERE study_key = ? AND participant = ?)";
        for (const char *table : {"journal_rows", "journal_row_conflicts"})
            db.prepare(std::string("DELETE FROM ") + table + mine)->bind(1, study_key).bind(2, participant).run();
        auto count = db.prepare("SELECT count(*) FROM study_sessions WHERE study_key = ? AND participant = ?");
        count->bind(1, study_key).bind(2, participant).step();
        const int64_t n = count->int64(0);
        count.reset();
        db.prepare("DELETE FROM study_sessions WHERE study_key = ? AND participant = ?")
            ->bind(1, study_key).bind(2, participant).run();
        db.prepare("DELETE FROM pushed_results WHERE study_key = ? AND participant = ?")
            ->bind(1, study_key).bind(2, participant).run();
        unit.commit();
        return n;
    } catch (const DbError &e) {
        store_.translate(e, "forgetting a participant");
    }
}

bool Collector::add_researcher(const std::string &name, const std::string &password_hash, int64_t now)
{
    try {
        Unit unit(store_);
        auto q = store_.db_->prepare("SELECT 1 FROM researchers WHERE name = ?");
        if (q->bind(1, name).step())
            return false;
        q.reset();
        store_.db_->prepare("INSERT INTO researchers (name, password_hash, created) VALUES (?, ?, ?)")
            ->bind(1, name).bind(2, password_hash).bind(3, now).run();
        unit.commit();
        return true;
    } catch (const DbError &e) {
        store_.translate(e, "adding a researcher");
    }
}

std::optional<std::string> Collector::password_hash(const std::string &name)
{
    try {
        auto q = store_.db_->prepare("SELECT password_hash FROM researchers WHERE name = ?");
        if (!q->bind(1, name).step())
            return std::nullopt;
        return q->text(0);
    } catch (const DbError &e) {
        store_.translate(e, "reading a researcher");
    }
}

void Collector::add_login(const std::string &token_sha256, const std::string &researcher, const std::string &csrf,
                          int64_t expires)
{
    try {
        Unit unit(store_);
        store_.db_->prepare("INSERT INTO logins (token_sha256, researcher, csrf, expires) VALUES (?, ?, ?, ?)")
            ->bind(1, token_sha256).bind(2, researcher).bind(3, csrf).bind(4, expires).run();
        store_.db_->prepare("DELETE FROM logins WHERE expires < ?")->bind(1, expires - 2 * 86400).run();
        unit.commit();
    } catch (const DbError &e) {
        store_.translate(e, "keeping a login");
    }
}

std::optional<Login> Collector::login(const std::string &token_sha256, int64_t now)
{
    try {
        auto q = store_.db_->prepare("SELECT researcher, csrf FROM logins WHERE token_sha256 = ? AND expires > ?");
        if (!q->bind(1, token_sha256).bind(2, now).step())
            return std::nullopt;
        return Login{q->text(0), q->text(1)};
    } catch (const DbError &e) {
        store_.translate(e, "reading a login");
    }
}

bool Collector::add_push_token(const std::string &token_sha256, const std::string &researcher, int64_t now,
                               int64_t expires)
{
    try {
        Unit unit(store_);
        if (!store_.db_->prepare("SELECT 1 FROM researchers WHERE name = ?")->bind(1, researcher).step())
            return false;
        store_.db_->prepare("INSERT INTO push_tokens (token_sha256, researcher, created, expires) VALUES (?, ?, ?, ?)")
            ->bind(1, token_sha256).bind(2, researcher).bind(3, now).bind_if(4, expires > 0, expires).run();
        write_audit(*store_.db_, now, researcher, "add push token", token_sha256.substr(0, 12));
        unit.commit();
        return true;
    } catch (const DbError &e) {
        store_.translate(e, "keeping a push token");
    }
}

namespace {

const char token_columns[] =
    "substr(token_sha256, 1, 12), researcher, created, coalesce(expires, 0), coalesce(last_used, 0), "
    "coalesce(revoked, 0) FROM push_tokens";

PushToken read_token(Statement &q)
{
    return {q.text(0), q.text(1), q.int64(2), q.int64(3), q.int64(4), q.int64(5)};
}

}  // namespace

std::optional<PushToken> Collector::push_token(const std::string &token_sha256)
{
    try {
        auto q = store_.db_->prepare(std::string("SELECT ") + token_columns + " WHERE token_sha256 = ?");
        if (!q->bind(1, token_sha256).step())
            return std::nullopt;
        return read_token(*q);
    } catch (const DbError &e) {
        store_.translate(e, "reading a push token");
    }
}

void Collector::push_token_used(const std::string &token_sha256, int64_t now)
{
    try {
        Unit unit(store_);
        store_.db_->prepare("UPDATE push_tokens SET last_used = ? WHERE token_sha256 = ?")
            ->bind(1, now).bind(2, token_sha256).run();
        unit.commit();
    } catch (const DbError &e) {
        store_.translate(e, "noting a push token's use");
    }
}

std::vector<PushToken> Collector::push_tokens()
{
    try {
        std::vector<PushToken> all;
        auto q = store_.db_->prepare(std::string("SELECT ") + token_columns + " ORDER BY created, token_sha256");
        while (q->step())
            all.push_back(read_token(*q));
        return all;
    } catch (const DbError &e) {
        store_.translate(e, "reading the push tokens");
    }
}

Revoked Collector::revoke_push_token(const std::string &id, int64_t now, const std::string &by)
{
    try {
        Unit unit(store_);
        auto q = store_.db_->prepare(std::string("SELECT ") + token_columns + " WHERE substr(token_sha256, 1, 12) = ?");
        if (id.size() != 12 || !q->bind(1, id).step())
            return Revoked::no_such_token;
        const PushToken t = read_token(*q);
        q.reset();
        if (t.revoked)
            return Revoked::before;
        store_.db_->prepare("UPDATE push_tokens SET revoked = ? WHERE substr(token_sha256, 1, 12) = ?")
            ->bind(1, now).bind(2, id).run();
        write_audit(*store_.db_, now, t.researcher, "revoke push token", id + " (" + by + ")");
        unit.commit();
        return Revoked::now;
    } catch (const DbError &e) {
        store_.translate(e, "revoking a push token");
    }
}

bool Collector::put_result_file(const PushedResult &r)
{
    try {
        Unit unit(store_);  // the writer lock: two computers sending one file at once keep it once
        if (store_.db_->prepare("SELECT 1 FROM pushed_results WHERE study_key = ? AND session = ?")
                ->bind(1, r.study_key).bind(2, r.session).step())
            return false;
        store_.db_->prepare("INSERT INTO pushed_results (study_key, session, participant, file, body_hex, received, "
                            "researcher) VALUES (?, ?, ?, ?, ?, ?, ?)")
            ->bind(1, r.study_key).bind(2, r.session).bind(3, r.participant).bind(4, r.file).bind(5, to_hex(r.bytes))
            .bind(6, r.received).bind(7, r.researcher).run();
        unit.commit();
        return true;
    } catch (const DbError &e) {
        store_.translate(e, "keeping a result file");
    }
}

std::vector<PushedResult> Collector::result_files(const std::string &study_key)
{
    try {
        std::vector<PushedResult> all;
        auto q = store_.db_->prepare("SELECT study_key, session, participant, file, body_hex, received, researcher "
                                     "FROM pushed_results WHERE study_key = ? ORDER BY received, session");
        q->bind(1, study_key);
        while (q->step())
            all.push_back({q->text(0), q->text(1), q->text(2), q->text(3), from_hex(q->text(4)), q->int64(5),
                           q->text(6)});
        return all;
    } catch (const DbError &e) {
        store_.translate(e, "reading the result files sent");
    }
}

void Collector::drop_login(const std::string &token_sha256)
{
    try {
        Unit unit(store_);
        store_.db_->prepare("DELETE FROM logins WHERE token_sha256 = ?")->bind(1, token_sha256).run();
        unit.commit();
    } catch (const DbError &e) {
        store_.translate(e, "ending a login");
    }
}

void Collector::audit(int64_t now, const std::string &researcher, const std::string &action, const std::string &detail)
{
    try {
        Unit unit(store_);
        write_audit(*store_.db_, now, researcher, action, detail);
        unit.commit();
    } catch (const DbError &e) {
        store_.translate(e, "writing the audit log");
    }
}

std::vector<AuditEntry> Collector::audit_log(int64_t limit)
{
    try {
        std::vector<AuditEntry> all;
        auto q = store_.db_->prepare("SELECT at, researcher, action, detail FROM audit_log ORDER BY id DESC LIMIT ?");
        q->bind(1, limit);
        while (q->step())
            all.push_back({q->int64(0), q->text(1), q->text(2), q->text(3)});
        return all;
    } catch (const DbError &e) {
        store_.translate(e, "reading the audit log");
    }
}

}  // namespace store
