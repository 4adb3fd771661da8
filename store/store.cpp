#include "store/store.h"

#include "store/db.h"
#include "store/dialect.h"
#include "store/error.h"
#include "store/schema.h"
#include "store/unit.h"

#include <sys/stat.h>

#include <algorithm>

namespace store {

namespace {

bool file_exists(const std::string &path)
{
    struct stat st;
    return ::stat(path.c_str(), &st) == 0;
}

// A result file and a journal with the same marks are the same session when
// they name the same participant or lie in the same folder (the runner
// writes both there; a result file has no participant of its own).
bool same_session(const std::string &participant, const std::string &file, const std::string &other_participant,
                  const std::string &other_file)
{
    auto folder = [](const std::string &f) { return f.substr(0, f.find_last_of('/') + 1); };
    return participant == other_participant || folder(file) == folder(other_file);
}

std::string or_none(const std::string &s)
{
    return s.empty() ? "none" : s;
}

}  // namespace

// The statements every put_session runs, prepared once.
struct PutStatements {
    explicit PutStatements(Connection &db)
        : insert_test(db.prepare("INSERT INTO tests (archive_crc32, archive_bytes, items) VALUES (?, ?, ?)")),
          look_up(db.prepare("SELECT 0, id, journal_rows, file, participant, started FROM sessions WHERE "
                             "session = ? AND archive_crc32 = ? UNION ALL SELECT 1, id, journal_rows, file, "
                             "participant, started FROM sessions WHERE archive_crc32 = ? AND marks = ? AND "
                             "source = ? AND 1 = ?")),
          insert_session(db.prepare(
              "INSERT INTO sessions (id, session, archive_crc32, participant, source, file, journal_rows, program, "
              "version, build, clock, clock_resolution_us, started, last_time, ended_by, total_ms, resumes, note, "
              "answered, right_total, wrong_total, marks) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, "
              "?, ?, ?, ?, ?, ?)")),
          upsert_item(db.prepare("INSERT INTO test_items (archive_crc32, item, text, cells, correct_cell) "
                                 "VALUES (?, ?, ?, ?, ?) ON CONFLICT (archive_crc32, item) DO UPDATE SET "
                                 "text = coalesce(test_items.text, excluded.text), "
                                 "cells = test_items.cells | excluded.cells, "
                                 "correct_cell = coalesce(test_items.correct_cell, excluded.correct_cell)")),
          db_(db)
    {
    }
    void reset_all()
    {
        for (auto *s : {&insert_test, &look_up, &insert_session, &upsert_item})
            (*s)->reset();
    }
    // Up to `rows` answers in one statement: one round trip to a server
    // instead of one per answer. Prepared once per row count.
    Statement &insert_responses(size_t rows)
    {
        std::unique_ptr<Statement> &st = insert_responses_[rows];
        if (!st) {
            std::string sql = "INSERT INTO responses (session_ref, item, \"right\", digit, cell, correct_cell, rt_ms, "
                              "first_digit_ms, previews, refusals) VALUES ";
            for (size_t i = 0; i < rows; i++)
                sql += i ? ", (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)" : "(?, ?, ?, ?, ?, ?, ?, ?, ?, ?)";
            st = db_.prepare(sql);
        }
        return *st;
    }
    std::unique_ptr<Statement> insert_test, look_up, insert_session, upsert_item;

private:
    Connection &db_;
    std::map<size_t, std::unique_ptr<Statement>> insert_responses_;
};

Store::Store(const std::string &location, Mode mode, int busy_ms, bool durable)
    : location_(location), shown_(printable_location(location))
{
    try {
        if (is_postgres_url(location)) {
            db_ = open_postgres(location);
        } else {
            if (mode == Mode::read && !file_exists(location))
                throw Error(location + " does not exist; make a store with: meridoka-report add " + location +
                            " FILE|FOLDER...");
            try {
                db_ = open_sqlite(location, mode == Mode::write, mode == Mode::write, busy_ms);
            } catch (const DbError &e) {
                if (e.kind == DbError::readonly)
                    throw Error(location + " is read-only (no permission to write it): results cannot be added to it");
                throw;
            }
        }
        open_schema(mode);
        if (mode == Mode::write) {
            if (db_->dialect() == Dialect::sqlite)
                db_->exec("PRAGMA journal_mode = WAL");
            set_durable_commits(*db_, durable);
        }
    } catch (const DbError &e) {
        translate(e, "opening it");
    }
}

Store::~Store()
{
    put_.reset();  // statements before the connection
    if (batch_)    // a batch never committed: left out whole
        db_->rollback_quietly("ROLLBACK");
}

bool Store::is_postgres() const
{
    return db_->dialect() == Dialect::postgres;
}

void Store::open_schema(Mode mode)
{
    const std::string another = shown_ + " is a database of another program, not a results store; give a new "
                                         "store (add creates it) or a store made by meridoka-report";
    const int64_t app = read_application_id(*db_);  // the first read: a non-database fails here
    if (app != 0 && app != application_id)
        throw Error(another);
    if (app == 0 && count_tables(*db_) > 0)
        throw Error(is_postgres() ? another
                                  : shown_ + " is an SQLite database of another program, not a results store; give "
                                             "a new file name (add creates the store) or a store made by "
                                             "meridoka-report");
    int64_t version = app == 0 ? 0 : read_version(*db_);
    if (version > schema_version)
        throw Error(shown_ + " was made by a newer meridoka-report (store version " + std::to_string(version) +
                    ", this one knows up to " + std::to_string(schema_version) + "); use that version");
    if (app != 0 && version < 1)
        throw Error(shown_ + " is a damaged results store (no store version)");
    if (version == schema_version)
        return;
    if (mode == Mode::read)
        throw Error(version == 0 ? shown_ + " is an empty database, not a results store; add results to it first"
                                 : shown_ + " is a results store of an older version; run meridoka-report add on "
                                            "it once (with no files) to bring it up to date");
    Unit unit(*this);
    // another writer may have just made or updated it
    const int64_t now = read_application_id(*db_) ? read_version(*db_) : 0;
    if (now < schema_version)
        create_or_migrate(*db_, now);
    unit.commit();
}

void Store::translate(const std::exception &e, const char *doing) const
{
    const auto *d = dynamic_cast<const DbError *>(&e);
    if (!d)
        throw;
    const bool pg = is_postgres_url(location_);
    switch (d->kind) {
    case DbError::busy:
        throw StoreError(shown_ + " is locked: another program is writing to it (another meridoka-report add?). "
                                  "Try again when it has finished.");
    case DbError::readonly:
        throw StoreError(pg ? shown_ + " may not be written by this user (" + e.what() + ")"
                            : shown_ + " is read-only (no permission to write it or its folder): results cannot be "
                                       "added to it");
    case DbError::not_a_database:
        throw StoreError(shown_ + " is not an SQLite database, so not a results store (is it the right file?)");
    case DbError::cannot_open:
        throw StoreError("cannot open " + shown_ + " (does its folder exist, and may it be written?)");
    case DbError::corrupt:
        throw StoreError(shown_ + " is damaged (SQLite: " + e.what() + ")");
    case DbError::full:
        throw StoreError(shown_ + ": the disk is full");
    case DbError::connection:
        throw StoreError(std::string("the PostgreSQL server of ") + shown_ + " cannot be reached or went away "
                         "while " + doing + " (" + e.what() + "); what was not committed is not in the store: run "
                         "the same command again once the server is up");
    case DbError::authentication:
        throw StoreError(std::string("the PostgreSQL server refused the user or password of ") + shown_ + " (" +
                         e.what() + ")");
    case DbError::no_database:
        throw StoreError(std::string("the PostgreSQL server has no such database: ") + shown_ +
                         " (make it first, for example with createdb)");
    case DbError::constraint:
    case DbError::other:
        break;
    }
    if (pg && std::string(e.what()).find("invalid") != std::string::npos)
        throw StoreError(shown_ + " is not a valid PostgreSQL connection string (" + e.what() +
                         "); the form is postgresql://USER@HOST:PORT/DATABASE");
    throw StoreError(shown_ + ": " + (pg ? "PostgreSQL" : "SQLite") + " error while " + doing + ": " + e.what());
}

Store::KnownTest *Store::known_test(const std::string &archive_crc32)
{
    auto found = known_.find(archive_crc32);
    if (found != known_.end())
        return &found->second;
    auto t = db_->prepare("SELECT items, from_archive FROM tests WHERE archive_crc32 = ?");
    if (!t->bind(1, archive_crc32).step())
        return nullptr;
    KnownTest &k = known_[archive_crc32];
    k.items = int(t->int64(0));
    k.from_archive = t->int64(1) != 0;
    k.item.resize(size_t(k.items));
    auto it = db_->prepare("SELECT item, CASE WHEN text IS NULL THEN 0 ELSE 1 END, cells, CASE WHEN correct_cell "
                           "IS NULL THEN 0 ELSE 1 END FROM test_items WHERE archive_crc32 = ?");
    it->bind(1, archive_crc32);
    while (it->step()) {
        const int64_t i = it->int64(0);
        if (i >= 1 && i <= k.items)
            k.item[size_t(i - 1)] = KnownItem{it->int64(1) != 0, uint16_t(it->int64(2)), it->int64(3) != 0};
    }
    return &k;
}

void Store::delete_session(int64_t id)
{
    copy_answers_.erase(id);  // answers not sent yet
    db_->prepare("DELETE FROM responses WHERE session_ref = ?")->bind(1, id).run();
    db_->prepare("DELETE FROM sessions WHERE id = ?")->bind(1, id).run();
}

PutResult Store::put_session(const Session &s)
{
    try {
        Unit unit(*this);
        if (!put_)
            put_ = std::make_unique<PutStatements>(*db_);
        PutStatements &st = *put_;
        st.reset_all();
        PutResult result;
        const KnownTest *known = known_test(s.archive_crc32);
        if (known && known->items != s.items)
            throw Error(where(s.file, 0) + "archive " + s.archive_crc32 + " has " + std::to_string(known->items) +
                        " items " + (known->from_archive ? "(from the archive itself)" : "in the store") +
                        ", this session says " + std::to_string(s.items));
        if (!known) {
            st.insert_test->bind(1, s.archive_crc32).bind_if(2, s.archive_bytes >= 0, s.archive_bytes);
            st.insert_test->bind(3, int64_t(s.items)).run();
        }

        // One look-up (one round trip to a server): the copies of this
        // session (row 0) and, for a finished one, its twin of the other
        // source with the same marks (row 1).
        const std::string marks = s.marks();
        const bool from_result_file = s.source == "result_file";
        Statement &lk = *st.look_up;
        lk.bind(1, s.session_id).bind(2, s.archive_crc32).bind(3, s.archive_crc32).bind(4, marks);
        lk.bind(5, from_result_file ? "journal" : "result_file");
        lk.bind(6, int64_t(from_result_file || s.ended_by != "unfinished"));
        struct Found {
            int64_t id, rows;
            std::string file, participant, started;
        };
        std::vector<Found> copies, twins;
        while (lk.step())
            (lk.int64(0) == 0 ? copies : twins)
                .push_back({lk.int64(1), lk.int64(2), lk.text(3), lk.text(4), lk.text(5)});
        lk.reset();

        // the same session only when ID, archive, participant and start agree
        std::string other;  // a session with the same ID but another person or start
        for (const Found &c : copies) {
            if (c.participant != s.participant || c.started != s.started) {
                if (other.empty())
                    other = "participant " + or_none(c.participant) + ", started " + or_none(c.started) + ", from " +
                            c.file;
                continue;
            }
            if (s.source != "journal" || c.rows >= s.journal_rows)
                return {PutOutcome::unchanged, "already in the store (from " + c.file + ")"};
            delete_session(c.id);
            result = {PutOutcome::replaced, "a longer copy of the session from " + c.file + " (" +
                                                std::to_string(c.rows) + " rows, now " +
                                                std::to_string(s.journal_rows) + ")"};
            break;
        }
        if (!other.empty() && result.outcome == PutOutcome::added)
            result = {PutOutcome::conflict, "conflict: session ID " + s.session_id + " is also that of another "
                                            "session (" + other + "); both are kept"};

        // a result file and the journal of the same session: the journal stays
        twins.erase(std::remove_if(twins.begin(), twins.end(),
                                   [&](const Found &t) { return !same_session(s.participant, s.file, t.participant, t.file); }),
                    twins.end());
        if (from_result_file && !twins.empty())
            return {PutOutcome::covered, "its answers are the journal's of " + twins[0].file};
        for (const Found &t : twins) {
            delete_session(t.id);
            result.detail += (result.detail.empty() ? "" : "; ") + std::string("replaces the result file ") + t.file;
        }

        // the id chosen here (writers take turns): nothing to wait for
        if (next_id_ == 0 || !batch_)
            next_id_ = db_->int_query("SELECT coalesce(max(id), 0) FROM sessions") + 1;
        const int64_t ref = next_id_++;
        Statement &in = *st.insert_session;
        in.bind(1, ref).bind(2, s.session_id).bind(3, s.archive_crc32).bind(4, s.participant).bind(5, s.source);
        in.bind(6, s.file).bind(7, int64_t(s.journal_rows)).bind_text_or_null(8, s.program);
        in.bind_text_or_null(9, s.version).bind_text_or_null(10, s.build).bind_text_or_null(11, s.clock);
        in.bind_if(12, s.clock_resolution_us >= 0, s.clock_resolution_us);
        in.bind_text_or_null(13, s.started).bind_text_or_null(14, s.last_time).bind(15, s.ended_by);
        in.bind_if(16, s.total_ms >= 0, s.total_ms).bind(17, int64_t(s.resumes)).bind_text_or_null(18, s.note);
        in.bind(19, int64_t(s.responses.size())).bind(20, int64_t(s.right_total()));
        in.bind(21, int64_t(s.wrong_total())).bind(22, marks);
        in.run();

        const bool journal = s.source == "journal";
        // A pipelined batch sends its answers by COPY when it commits (far
        // less work for the server); otherwise up to 100 in one INSERT.
        const bool copied = batch_ && is_postgres();
        std::string answers;
        constexpr size_t chunk = 100;  // 1,000 values a statement: far below either database's limit
        for (size_t from = 0; from < s.responses.size(); from += chunk) {
            const size_t n = std::min(chunk, s.responses.size() - from);
            Statement *ir = copied ? nullptr : &st.insert_responses(n);
            for (size_t k = 0; k < n; k++) {
                const Response &r = s.responses[from + k];
                const int64_t v[10] = {ref, r.item, r.right, r.digit, r.cell, r.correct_cell, r.rt_ms,
                                       r.first_digit_ms, r.previews, r.refusals};
                const bool given[10] = {true, true, true, r.digit > 0, r.cell > 0, r.correct_cell > 0,
                                        r.rt_ms >= 0, r.first_digit_ms >= 0, journal, journal};
                for (int c = 0; c < 10; c++) {
                    if (ir)
                        ir->bind_if(int(k) * 10 + c + 1, given[c], v[c]);
                    else
                        answers += (c ? "\t" : "") + (given[c] ? std::to_string(v[c]) : std::string("\\N"));
                }
                if (!ir)
                    answers += '\n';
            }
            if (ir)
                ir->run();
        }
        // what the session tells about its items, where the store does not know it yet
        std::vector<std::pair<int, KnownItem>> learned;
        for (const ItemSeen &it : s.items_seen) {
            const KnownItem k = known && it.item >= 1 && it.item <= known->items ? known->item[size_t(it.item - 1)]
                                                                                   : KnownItem{};
            const KnownItem now{k.text || !it.text.empty(), uint16_t(k.cells | it.cells),
                                k.correct || it.correct_cell > 0};
            if (now.text == k.text && now.cells == k.cells && now.correct == k.correct)
                continue;
            Statement &ui = *st.upsert_item;
            ui.bind(1, s.archive_crc32).bind(2, int64_t(it.item)).bind_text_or_null(3, it.text);
            ui.bind(4, int64_t(it.cells)).bind_if(5, it.correct_cell > 0, it.correct_cell).run();
            learned.emplace_back(it.item, now);
        }
        if (!batch_)
            after_explicit_ids(*db_, "sessions", "id");
        unit.commit();
        if (copied)
            copy_answers_[ref] = std::move(answers);
        if (KnownTest *k = known_test(s.archive_crc32))
            for (const auto &[item, now] : learned)
                if (item >= 1 && item <= k->items)
                    k->item[size_t(item - 1)] = now;
        return result;
    } catch (const DbError &e) {
        known_.erase(s.archive_crc32);
        translate(e, "adding a session");
    } catch (const Error &) {
        known_.erase(s.archive_crc32);
        throw;
    }
}

ArchiveResult Store::put_test_definition(const TestDefinition &def)
{
    try {
        ArchiveResult result;
        Unit t(*this);
        const int64_t items = int64_t(def.items.size());
        auto test = db_->prepare("SELECT items, from_archive FROM tests WHERE archive_crc32 = ?");
        if (test->bind(1, def.archive_crc32).step() && test->int64(0) != items) {
            if (test->int64(1) != 0)  // two archives with one CRC-32 and different tests
                throw Error("archive " + def.archive_crc32 + " is in the store with " +
                            std::to_string(test->int64(0)) + " items, this archive holds " + std::to_string(items));
            // what the archive says outranks what journals claimed: their sessions go
            auto claimed = db_->prepare("SELECT id, file FROM sessions WHERE archive_crc32 = ?");
            claimed->bind(1, def.archive_crc32);
            std::vector<int64_t> ids;
            while (claimed->step()) {
                ids.push_back(claimed->int64(0));
                result.removed.push_back(claimed->text(1) + ": removed from the store: it claims archive " +
                                         def.archive_crc32 + " with " + std::to_string(test->int64(0)) +
                                         " items, the archive holds " + std::to_string(items));
            }
            for (int64_t id : ids)
                delete_session(id);
            db_->prepare("DELETE FROM test_items WHERE archive_crc32 = ?")->bind(1, def.archive_crc32).run();
            db_->prepare("UPDATE tests SET items = ? WHERE archive_crc32 = ?")
                ->bind(1, items)
                .bind(2, def.archive_crc32)
                .run();
        }
        test.reset();
        db_->prepare("INSERT INTO tests (archive_crc32, archive_bytes, items, from_archive) VALUES (?, ?, ?, 1) "
                     "ON CONFLICT (archive_crc32) DO UPDATE SET archive_bytes = excluded.archive_bytes, "
                     "from_archive = 1")
            ->bind(1, def.archive_crc32)
            .bind(2, def.archive_bytes)
            .bind(3, items)
            .run();
        auto item = db_->prepare("INSERT INTO test_items (archive_crc32, item, text, cells, correct_cell) VALUES (?, "
                                 "?, ?, ?, ?) ON CONFLICT (archive_crc32, item) DO UPDATE SET text = excluded.text, "
                                 "cells = excluded.cells, correct_cell = excluded.correct_cell");
        for (const ItemSeen &it : def.items)
            item->bind(1, def.archive_crc32).bind(2, int64_t(it.item)).bind(3, it.text).bind(4, int64_t(it.cells))
                .bind_if(5, it.correct_cell > 0, it.correct_cell).run();
        t.commit();
        known_.erase(def.archive_crc32);
        return result;
    } catch (const DbError &e) {
        known_.erase(def.archive_crc32);
        translate(e, "adding an archive");
    }
}

ForgetResult Store::forget_participant(const std::string &participant)
{
    try {
        ForgetResult r;
        Unit t(*this);
        auto ss = db_->prepare("SELECT id, file, answered, session FROM sessions WHERE participant = ? ORDER BY id");
        ss->bind(1, participant);
        std::vector<int64_t> ids;
        std::vector<std::string> session_ids;
        while (ss->step()) {
            ids.push_back(ss->int64(0));
            session_ids.push_back(ss->text(3));
            r.files.push_back(ss->text(1));
            r.responses += ss->int64(2);
        }
        ss.reset();
        for (int64_t id : ids)
            delete_session(id);
        for (const std::string &id : session_ids)  // the rows a server kept of them
            for (const char *table : {"journal_rows", "journal_row_conflicts"})
                db_->prepare(std::string("DELETE FROM ") + table + " WHERE session = ?")->bind(1, id).run();
        // result files sent to a server's study: else the next add would take them in again
        db_->prepare("DELETE FROM pushed_results WHERE participant = ?")->bind(1, participant).run();
        auto attributes = db_->prepare("DELETE FROM participant_attributes WHERE participant = ?");
        attributes->bind(1, participant);
        auto counted = db_->prepare("SELECT count(*) FROM participant_attributes WHERE participant = ?");
        counted->bind(1, participant);
        r.attributes = counted->step() ? counted->int64(0) : 0;
        counted.reset();
        attributes->run();
        r.sessions = int64_t(ids.size());
        t.commit();
        return r;
    } catch (const DbError &e) {
        translate(e, "removing a participant");
    }
}

AttributesPut Store::put_attributes(const std::vector<std::string> &columns, const std::vector<AttributeRow> &rows)
{
    try {
        AttributesPut r;
        Unit t(*this);
        int64_t position = db_->int_query("SELECT coalesce(max(position), 0) FROM attribute_columns");
        auto known = db_->prepare("SELECT count(*) FROM attribute_columns WHERE name = ?");
        auto add_column = db_->prepare("INSERT INTO attribute_columns (name, type, position) VALUES (?, 'text', ?)");
        for (const std::string &c : columns) {
            known->bind(1, c);
            const bool have = known->step() && known->int64(0) > 0;
            known->reset();
            if (!have)
                add_column->bind(1, c).bind(2, ++position).run();
        }
        auto old = db_->prepare("SELECT name, value FROM participant_attributes WHERE participant = ?");
        auto drop = db_->prepare("DELETE FROM participant_attributes WHERE participant = ? AND name = ?");
        auto put = db_->prepare("INSERT INTO participant_attributes (participant, name, value) VALUES (?, ?, ?)");
        for (const AttributeRow &row : rows) {
            std::map<std::string, std::string> before;
            old->bind(1, row.participant);
            while (old->step())
                before[old->text(0)] = old->text(1);
            old->reset();
            bool changed = false;
            for (size_t i = 0; i < columns.size() && i < row.values.size(); i++) {
                const auto was = before.find(columns[i]);
                const std::string &now = row.values[i];
                if (was == before.end() ? now.empty() : was->second == now)
                    continue;
                changed = true;
                if (was != before.end())
                    drop->bind(1, row.participant).bind(2, columns[i]).run();
                if (!now.empty())
                    put->bind(1, row.participant).bind(2, columns[i]).bind(3, now).run();
            }
            (before.empty() ? r.added : changed ? r.updated : r.unchanged)++;
        }
        auto values = db_->prepare("SELECT value FROM participant_attributes WHERE name = ?");
        auto retype = db_->prepare("UPDATE attribute_columns SET type = ? WHERE name = ?");
        for (const std::string &c : columns) {
            std::vector<std::string> all;
            values->bind(1, c);
            while (values->step())
                all.push_back(values->text(0));
            values->reset();
            const AttributeType type = infer_type(all);
            retype->bind(1, type_name(type)).bind(2, c).run();
            r.columns.push_back({c, type});
        }
        t.commit();
        return r;
    } catch (const DbError &e) {
        translate(e, "importing participants' attributes");
    }
}

Attributes Store::load_attributes()
{
    try {
        Attributes a;
        auto cols = db_->prepare("SELECT name, type FROM attribute_columns ORDER BY position");
        while (cols->step()) {
            const std::string type = cols->text(1);
            a.columns.push_back({cols->text(0), type == "number" ? AttributeType::number
                                                : type == "date" ? AttributeType::date
                                                                 : AttributeType::text});
        }
        auto rows = db_->prepare("SELECT participant, name, value FROM participant_attributes");
        while (rows->step())
            a.of[rows->text(0)][rows->text(1)] = rows->text(2);
        return a;
    } catch (const DbError &e) {
        translate(e, "reading participants' attributes");
    }
}

void Store::begin_batch()
{
    try {
        db_->exec(begin_write_sql(db_->dialect()));
        batch_ = true;
        next_id_ = 0;  // read again under the writer lock
        copy_answers_.clear();
        db_->set_pipelined(true);
    } catch (const DbError &e) {
        translate(e, "starting to add");
    }
}

void Store::commit_batch()
{
    try {
        batch_ = false;
        after_explicit_ids(*db_, "sessions", "id");  // the ids this batch chose
        if (!copy_answers_.empty()) {
            std::string rows;
            for (const auto &[id, answers] : copy_answers_)
                rows += answers;
            copy_answers_.clear();
            db_->copy_in("responses (session_ref, item, \"right\", digit, cell, correct_cell, rt_ms, first_digit_ms, "
                         "previews, refusals)",
                         rows);
        }
        db_->set_pipelined(false);
        db_->exec("COMMIT");
    } catch (const DbError &e) {
        db_->rollback_quietly("ROLLBACK");
        known_.clear();
        translate(e, "saving the files added");
    }
}

bool Store::has_test(const std::string &archive_crc32)
{
    try {
        return db_->prepare("SELECT 1 FROM tests WHERE archive_crc32 = ?")->bind(1, archive_crc32).step();
    } catch (const DbError &e) {
        translate(e, "reading");
    }
}

std::vector<std::string> Store::tests_matching(const std::vector<std::string> &texts)
{
    try {
        std::vector<std::string> found;
        auto tests = db_->prepare("SELECT archive_crc32 FROM tests WHERE items = ? ORDER BY archive_crc32");
        auto items = db_->prepare("SELECT item, text FROM test_items WHERE archive_crc32 = ? AND text IS NOT NULL");
        tests->bind(1, int64_t(texts.size()));
        std::vector<std::string> candidates;
        while (tests->step())
            candidates.push_back(tests->text(0));
        for (const std::string &crc : candidates) {
            items->bind(1, crc);
            int known = 0, equal = 0;
            while (items->step()) {
                const int64_t i = items->int64(0);
                known++;
                equal += i >= 1 && i <= int64_t(texts.size()) && items->text(1) == texts[size_t(i - 1)];
            }
            items->reset();
            if (known > 0 && equal == known)
                found.push_back(crc);
        }
        return found;
    } catch (const DbError &e) {
        translate(e, "reading");
    }
}

std::vector<TestData> Store::load()
{
    return load_sessions(nullptr);
}

std::vector<TestData> Store::load_participant(const std::string &participant)
{
    return load_sessions(&participant);
}

std::string Store::test_fingerprint(const std::string &archive_crc32)
{
    try {
        auto q = db_->prepare("SELECT count(*), coalesce(max(id), 0), coalesce(sum(journal_rows), 0), "
                              "coalesce(sum(answered), 0), coalesce(sum(right_total), 0) FROM sessions WHERE "
                              "archive_crc32 = ?");
        q->bind(1, archive_crc32);
        std::string out;
        if (q->step())
            for (int c = 0; c < 5; c++)
                out += (c ? " " : "") + std::to_string(q->int64(c));
        return out;
    } catch (const DbError &e) {
        translate(e, "reading");
    }
}

std::string Store::calibration(const std::string &archive_crc32, const std::string &fingerprint)
{
    try {
        auto q = db_->prepare("SELECT body FROM calibrations WHERE archive_crc32 = ? AND fingerprint = ?");
        q->bind(1, archive_crc32).bind(2, fingerprint);
        return q->step() ? q->text(0) : std::string();
    } catch (const DbError &e) {
        translate(e, "reading");
    }
}

void Store::put_calibration(const std::string &archive_crc32, const std::string &fingerprint,
                            const std::string &body)
{
    try {
        Unit t(*this);
        db_->prepare("DELETE FROM calibrations WHERE archive_crc32 = ?")->bind(1, archive_crc32).run();
        db_->prepare("INSERT INTO calibrations (archive_crc32, fingerprint, body) VALUES (?, ?, ?)")
            ->bind(1, archive_crc32)
            .bind(2, fingerprint)
            .bind(3, body)
            .run();
        t.commit();
    } catch (const DbError &e) {
        translate(e, "writing");
    }
}

std::vector<TestData> Store::load_sessions(const std::string *participant)
{
    try {
        std::vector<TestData> tests;
        std::map<std::string, size_t> test_index;
        auto t = db_->prepare("SELECT archive_crc32, archive_bytes, items, from_archive FROM tests ORDER BY "
                              "archive_crc32");
        while (t->step()) {
            TestData d;
            d.archive_crc32 = t->text(0);
            d.archive_bytes = t->int64(1, -1);
            d.items = int(t->int64(2));
            d.from_archive = t->int64(3) != 0;
            d.item_info.resize(size_t(d.items));
            for (int i = 0; i < d.items; i++)
                d.item_info[size_t(i)].item = i + 1;
            test_index[d.archive_crc32] = tests.size();
            tests.push_back(std::move(d));
        }
        auto it = db_->prepare("SELECT archive_crc32, item, text, cells, correct_cell FROM test_items");
        while (it->step()) {
            TestData &d = tests[test_index.at(it->text(0))];
            const int64_t item = it->int64(1);
            if (item < 1 || item > d.items)
                continue;
            ItemSeen &info = d.item_info[size_t(item - 1)];
            info.text = it->text(2);
            info.cells = uint16_t(it->int64(3));
            info.correct_cell = int(it->int64(4));
        }
        std::map<int64_t, std::pair<size_t, size_t>> by_id;  // session id -> (test, index)
        // texts in byte order: the same order on both databases
        auto ss = db_->prepare(dialect_sql(db_->dialect(),
                                           "SELECT id, session, archive_crc32, participant, source, file, journal_rows, "
                                           "program, version, build, clock, clock_resolution_us, started, last_time, "
                                           "ended_by, total_ms, resumes, note FROM sessions " +
                                               std::string(participant ? "WHERE participant = ? " : "") +
                                               "ORDER BY archive_crc32{c}, "
                                           "CASE WHEN started IS NULL THEN 1 ELSE 0 END, started{c}, session{c}, "
                                           "participant{c}, id"));
        if (participant)
            ss->bind(1, *participant);
        while (ss->step()) {
            Session s;
            s.session_id = ss->text(1);
            s.archive_crc32 = ss->text(2);
            s.participant = ss->text(3);
            s.source = ss->text(4);
            s.file = ss->text(5);
            s.journal_rows = int(ss->int64(6));
            s.program = ss->text(7);
            s.version = ss->text(8);
            s.build = ss->text(9);
            s.clock = ss->text(10);
            s.clock_resolution_us = ss->int64(11, -1);
            s.started = ss->text(12);
            s.last_time = ss->text(13);
            s.ended_by = ss->text(14);
            s.total_ms = ss->int64(15, -1);
            s.resumes = int(ss->int64(16));
            s.note = ss->text(17);
            const size_t ti = test_index.at(s.archive_crc32);
            s.items = tests[ti].items;
            s.archive_bytes = tests[ti].archive_bytes;
            by_id[ss->int64(0)] = {ti, tests[ti].sessions.size()};
            tests[ti].sessions.push_back(std::move(s));
        }
        auto rs = db_->prepare(std::string("SELECT session_ref, item, \"right\", digit, cell, correct_cell, rt_ms, "
                                           "first_digit_ms, previews, refusals FROM responses ") +
                               (participant ? "WHERE session_ref IN (SELECT id FROM sessions WHERE participant = ?) "
                                            : "") +
                               "ORDER BY session_ref, item");
        if (participant)
            rs->bind(1, *participant);
        int64_t last_ref = -1;
        Session *s = nullptr;
        while (rs->step()) {
            const int64_t ref = rs->int64(0);
            if (ref != last_ref) {
                const auto found = by_id.find(ref);
                s = found == by_id.end() ? nullptr : &tests[found->second.first].sessions[found->second.second];
                last_ref = ref;
            }
            if (!s)
                continue;
            Response r;
            r.item = int(rs->int64(1));
            r.right = rs->int64(2) != 0;
            r.digit = int(rs->int64(3));
            r.cell = int(rs->int64(4));
            r.correct_cell = int(rs->int64(5));
            r.rt_ms = rs->int64(6, -1);
            r.first_digit_ms = rs->int64(7, -1);
            r.previews = int(rs->int64(8));
            r.refusals = int(rs->int64(9));
            s->responses.push_back(r);
        }
        return tests;
    } catch (const DbError &e) {
        translate(e, "reading");
    }
}

}  // namespace store
