#include "tools/report/store.h"

#include "tools/report/error.h"
#include "tools/report/sqlite.h"

#include <sys/stat.h>

#include <map>

namespace report {

namespace {

// PRAGMA application_id of a results store ("MRDK"), and its schema version.
constexpr int64_t store_application_id = 0x4D52444B;
constexpr int64_t store_schema_version = 1;

const char schema_sql[] = R"sql(
CREATE TABLE IF NOT EXISTS tests (
  archive_crc32 TEXT PRIMARY KEY,            -- 8 lower-case hex digits: the test's identity
  archive_bytes INTEGER,
  items INTEGER NOT NULL,
  from_archive INTEGER NOT NULL DEFAULT 0    -- 1: the item table was read from MERIDOKA.WDL
);
CREATE TABLE IF NOT EXISTS test_items (
  archive_crc32 TEXT NOT NULL REFERENCES tests (archive_crc32),
  item INTEGER NOT NULL,                     -- 1-based, in test order
  text TEXT,                                 -- UTF-8
  cells INTEGER NOT NULL DEFAULT 0,          -- answer cells known to be present: bit c-1 = cell c
  correct_cell INTEGER,
  PRIMARY KEY (archive_crc32, item)
) WITHOUT ROWID;
CREATE TABLE IF NOT EXISTS sessions (
  id INTEGER PRIMARY KEY,
  session TEXT NOT NULL,                     -- journal: its session ID; result file: a hash of it
  archive_crc32 TEXT NOT NULL REFERENCES tests (archive_crc32),
  participant TEXT NOT NULL,
  source TEXT NOT NULL CHECK (source IN ('journal', 'result_file')),
  file TEXT NOT NULL,
  journal_rows INTEGER NOT NULL,             -- rows kept; a longer copy of the session replaces this one
  program TEXT, version TEXT, build TEXT, clock TEXT, clock_resolution_us INTEGER,
  started TEXT, last_time TEXT,              -- local time YYYY-MM-DDThh:mm:ss
  ended_by TEXT NOT NULL,                    -- completed, esc, closed, unfinished, stopped
  total_ms INTEGER,
  resumes INTEGER NOT NULL,
  note TEXT,
  answered INTEGER NOT NULL,
  right_total INTEGER NOT NULL,
  wrong_total INTEGER NOT NULL,
  marks TEXT NOT NULL,                       -- '+'/'-' per answered item, as in the result file
  UNIQUE (session, archive_crc32)
);
CREATE INDEX IF NOT EXISTS sessions_by_marks ON sessions (archive_crc32, marks);
CREATE TABLE IF NOT EXISTS responses (
  session_ref INTEGER NOT NULL REFERENCES sessions (id),
  item INTEGER NOT NULL,
  right INTEGER NOT NULL,
  digit INTEGER, cell INTEGER, correct_cell INTEGER,   -- NULL: not known (result files)
  rt_ms INTEGER, first_digit_ms INTEGER,
  previews INTEGER, refusals INTEGER,
  PRIMARY KEY (session_ref, item)
) WITHOUT ROWID;
)sql";

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

void delete_session(Database &db, int64_t id)
{
    Statement(db, "DELETE FROM responses WHERE session_ref = ?").bind(1, id).run();
    Statement(db, "DELETE FROM sessions WHERE id = ?").bind(1, id).run();
}

}  // namespace

// One file's worth of changes: a transaction, or a savepoint inside a batch.
class Unit {
public:
    explicit Unit(Store &store) : db_(*store.db_), nested_(store.batch_)
    {
        db_.exec(nested_ ? "SAVEPOINT file" : "BEGIN IMMEDIATE");
    }
    ~Unit()
    {
        if (open_)
            sqlite3_exec(db_.handle(), nested_ ? "ROLLBACK TO file; RELEASE file" : "ROLLBACK", nullptr, nullptr,
                         nullptr);
    }
    void commit()
    {
        db_.exec(nested_ ? "RELEASE file" : "COMMIT");
        open_ = false;
    }

private:
    Database &db_;
    bool nested_;
    bool open_ = true;
};

// The statements every put_session runs, prepared once.
struct PutStatements {
    explicit PutStatements(Database &db)
        : test(db, "SELECT items FROM tests WHERE archive_crc32 = ?"),
          insert_test(db, "INSERT INTO tests (archive_crc32, archive_bytes, items) VALUES (?, ?, ?)"),
          existing(db, "SELECT id, journal_rows, file FROM sessions WHERE session = ? AND archive_crc32 = ?"),
          same_marks(db, "SELECT id, file, participant FROM sessions WHERE archive_crc32 = ? AND marks = ? AND "
                         "source = ?"),
          insert_session(db, "INSERT INTO sessions (session, archive_crc32, participant, source, file, journal_rows, "
                             "program, version, build, clock, clock_resolution_us, started, last_time, ended_by, "
                             "total_ms, resumes, note, answered, right_total, wrong_total, marks) VALUES (?, ?, ?, "
                             "?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"),
          insert_response(db, "INSERT INTO responses (session_ref, item, right, digit, cell, correct_cell, rt_ms, "
                              "first_digit_ms, previews, refusals) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"),
          upsert_item(db, "INSERT INTO test_items (archive_crc32, item, text, cells, correct_cell) "
                          "VALUES (?, ?, ?, ?, ?) ON CONFLICT (archive_crc32, item) DO UPDATE SET "
                          "text = coalesce(text, excluded.text), cells = cells | excluded.cells, "
                          "correct_cell = coalesce(correct_cell, excluded.correct_cell)")
    {
    }
    void reset_all()
    {
        for (Statement *s : {&test, &insert_test, &existing, &same_marks, &insert_session, &insert_response,
                             &upsert_item})
            s->reset();
    }
    Statement test, insert_test, existing, same_marks, insert_session, insert_response, upsert_item;
};

Store::Store(const std::string &path, Mode mode, int busy_ms) : path_(path)
{
    if (mode == Mode::read && !file_exists(path))
        throw Error(path + " does not exist; make a store with: meridoka-report add " + path + " FILE|FOLDER...");
    try {
        // One connection used by one thread: no SQLite mutexes. Reading opens
        // for writing too where the file allows it (nothing is written), so
        // that the last one to close tidies the WAL files away.
        const int flags = SQLITE_OPEN_NOMUTEX | SQLITE_OPEN_READWRITE | (mode == Mode::write ? SQLITE_OPEN_CREATE : 0);
        db_ = std::make_unique<Database>(path, flags);
        sqlite3_busy_timeout(db_->handle(), busy_ms);
        if (mode == Mode::write && sqlite3_db_readonly(db_->handle(), "main") == 1)
            throw Error(path + " is read-only (no permission to write it): results cannot be added to it");
        const int64_t app = db_->int_pragma("application_id");  // the first read: a non-database fails here
        if (app != store_application_id) {
            Statement count(*db_, "SELECT count(*) FROM sqlite_master");
            if ((count.step() && count.int64(0) > 0) || app != 0)
                throw Error(path + " is an SQLite database of another program, not a results store; give a new "
                                   "file name (add creates the store) or a store made by meridoka-report");
            if (mode == Mode::read)
                throw Error(path + " is an empty database, not a results store; add results to it first");
            create_schema();
        } else {
            check_schema();
        }
        if (mode == Mode::write) {
            db_->exec("PRAGMA journal_mode = WAL");
            db_->exec("PRAGMA synchronous = NORMAL");
        }
    } catch (const SqliteError &e) {
        translate(e, "opening it");
    }
}

Store::~Store()
{
    put_.reset();  // statements before the connection
    if (batch_)    // a batch never committed: left out whole
        sqlite3_exec(db_->handle(), "ROLLBACK", nullptr, nullptr, nullptr);
}

void Store::translate(const std::exception &e, const char *doing) const
{
    const auto *s = dynamic_cast<const SqliteError *>(&e);
    const int code = s ? s->code : SQLITE_ERROR;
    switch (code) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        throw StoreError(path_ + " is locked: another program is writing to it (another meridoka-report add?). "
                            "Try again when it has finished.");
    case SQLITE_READONLY:
        throw StoreError(path_ + " is read-only (no permission to write it or its folder): results cannot be added");
    case SQLITE_NOTADB:
        throw StoreError(path_ + " is not an SQLite database, so not a results store (is it the right file?)");
    case SQLITE_CANTOPEN:
        throw StoreError("cannot open " + path_ + " (does its folder exist, and may it be written?)");
    case SQLITE_CORRUPT:
        throw StoreError(path_ + " is damaged (SQLite: " + e.what() + ")");
    case SQLITE_FULL:
        throw StoreError(path_ + ": the disk is full");
    default:
        throw StoreError(path_ + ": SQLite error while " + doing + ": " + e.what());
    }
}

void Store::create_schema()
{
    Transaction t(*db_);
    if (db_->int_pragma("application_id") != store_application_id) {  // another add may have just made it
        db_->exec(schema_sql);
        db_->exec(("PRAGMA application_id = " + std::to_string(store_application_id)).c_str());
        db_->exec(("PRAGMA user_version = " + std::to_string(store_schema_version)).c_str());
    }
    t.commit();
}

void Store::check_schema()
{
    const int64_t version = db_->int_pragma("user_version");
    if (version > store_schema_version)
        throw Error(path_ + " was made by a newer meridoka-report (store version " + std::to_string(version) +
                    "); use that version");
    if (version < store_schema_version)
        throw Error(path_ + " is a damaged results store (no store version)");
}

Store::KnownTest *Store::known_test(const std::string &archive_crc32)
{
    auto found = known_.find(archive_crc32);
    if (found != known_.end())
        return &found->second;
    Statement t(*db_, "SELECT items FROM tests WHERE archive_crc32 = ?");
    if (!t.bind(1, archive_crc32).step())
        return nullptr;
    KnownTest &k = known_[archive_crc32];
    k.items = int(t.int64(0));
    k.item.resize(size_t(k.items));
    Statement it(*db_, "SELECT item, text IS NOT NULL, cells, correct_cell IS NOT NULL FROM test_items WHERE "
                       "archive_crc32 = ?");
    it.bind(1, archive_crc32);
    while (it.step()) {
        const int64_t i = it.int64(0);
        if (i >= 1 && i <= k.items)
            k.item[size_t(i - 1)] = KnownItem{it.int64(1) != 0, uint16_t(it.int64(2)), it.int64(3) != 0};
    }
    return &k;
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
                        " items in the store, this session says " + std::to_string(s.items));
        if (!known) {
            st.insert_test.bind(1, s.archive_crc32).bind_if(2, s.archive_bytes >= 0, s.archive_bytes);
            st.insert_test.bind(3, int64_t(s.items)).run();
        }

        if (st.existing.bind(1, s.session_id).bind(2, s.archive_crc32).step()) {
            const int64_t id = st.existing.int64(0), rows = st.existing.int64(1);
            const std::string file = st.existing.text(2);
            st.existing.reset();
            if (s.source != "journal" || rows >= s.journal_rows)
                return {PutOutcome::unchanged, "already in the store (from " + file + ")"};
            delete_session(*db_, id);
            result = {PutOutcome::replaced, "a longer copy of the session from " + file + " (" +
                                                std::to_string(rows) + " rows, now " +
                                                std::to_string(s.journal_rows) + ")"};
        }
        st.existing.reset();

        // a result file and the journal of the same session: the journal stays
        const std::string marks = s.marks();
        if (s.source == "result_file" || s.ended_by != "unfinished") {
            const bool from_result_file = s.source == "result_file";
            st.same_marks.bind(1, s.archive_crc32).bind(2, marks).bind(3, from_result_file ? "journal" : "result_file");
            std::vector<std::pair<int64_t, std::string>> twins;
            while (st.same_marks.step())
                if (same_session(s.participant, s.file, st.same_marks.text(2), st.same_marks.text(1)))
                    twins.emplace_back(st.same_marks.int64(0), st.same_marks.text(1));
            st.same_marks.reset();
            if (from_result_file && !twins.empty())
                return {PutOutcome::covered, "its answers are the journal's of " + twins[0].second};
            for (const auto &[id, file] : twins) {
                delete_session(*db_, id);
                result.detail += (result.detail.empty() ? "" : "; ") + std::string("replaces the result file ") + file;
            }
        }

        Statement &in = st.insert_session;
        in.bind(1, s.session_id).bind(2, s.archive_crc32).bind(3, s.participant).bind(4, s.source).bind(5, s.file);
        in.bind(6, int64_t(s.journal_rows)).bind_text_or_null(7, s.program).bind_text_or_null(8, s.version);
        in.bind_text_or_null(9, s.build).bind_text_or_null(10, s.clock);
        in.bind_if(11, s.clock_resolution_us >= 0, s.clock_resolution_us);
        in.bind_text_or_null(12, s.started).bind_text_or_null(13, s.last_time).bind(14, s.ended_by);
        in.bind_if(15, s.total_ms >= 0, s.total_ms).bind(16, int64_t(s.resumes)).bind_text_or_null(17, s.note);
        in.bind(18, int64_t(s.responses.size())).bind(19, int64_t(s.right_total()));
        in.bind(20, int64_t(s.wrong_total())).bind(21, marks).run();
        const int64_t ref = sqlite3_last_insert_rowid(db_->handle());

        const bool journal = s.source == "journal";
        for (const Response &r : s.responses) {
            Statement &ir = st.insert_response;
            ir.bind(1, ref).bind(2, int64_t(r.item)).bind(3, int64_t(r.right));
            ir.bind_if(4, r.digit > 0, r.digit).bind_if(5, r.cell > 0, r.cell);
            ir.bind_if(6, r.correct_cell > 0, r.correct_cell).bind_if(7, r.rt_ms >= 0, r.rt_ms);
            ir.bind_if(8, r.first_digit_ms >= 0, r.first_digit_ms);
            ir.bind_if(9, journal, r.previews).bind_if(10, journal, r.refusals).run();
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
            Statement &ui = st.upsert_item;
            ui.bind(1, s.archive_crc32).bind(2, int64_t(it.item)).bind_text_or_null(3, it.text);
            ui.bind(4, int64_t(it.cells)).bind_if(5, it.correct_cell > 0, it.correct_cell).run();
            learned.emplace_back(it.item, now);
        }
        unit.commit();
        if (KnownTest *k = known_test(s.archive_crc32))
            for (const auto &[item, now] : learned)
                if (item >= 1 && item <= k->items)
                    k->item[size_t(item - 1)] = now;
        return result;
    } catch (const SqliteError &e) {
        translate(e, "adding a session");
    }
}

void Store::put_test_definition(const TestDefinition &def)
{
    try {
        Unit t(*this);
        Statement test(*db_, "SELECT items FROM tests WHERE archive_crc32 = ?");
        if (test.bind(1, def.archive_crc32).step() && test.int64(0) != int64_t(def.items.size()))
            throw Error("the sessions of archive " + def.archive_crc32 + " in the store name " +
                        std::to_string(test.int64(0)) + " items, the archive holds " +
                        std::to_string(def.items.size()));
        Statement(*db_, "INSERT INTO tests (archive_crc32, archive_bytes, items, from_archive) VALUES (?, ?, ?, 1) "
                        "ON CONFLICT (archive_crc32) DO UPDATE SET archive_bytes = excluded.archive_bytes, "
                        "from_archive = 1")
            .bind(1, def.archive_crc32)
            .bind(2, def.archive_bytes)
            .bind(3, int64_t(def.items.size()))
            .run();
        Statement item(*db_, "INSERT INTO test_items (archive_crc32, item, text, cells, correct_cell) VALUES (?, ?, ?, "
                             "?, ?) ON CONFLICT (archive_crc32, item) DO UPDATE SET text = excluded.text, "
                             "cells = excluded.cells, correct_cell = excluded.correct_cell");
        for (const ItemSeen &it : def.items)
            item.bind(1, def.archive_crc32).bind(2, int64_t(it.item)).bind(3, it.text).bind(4, int64_t(it.cells))
                .bind_if(5, it.correct_cell > 0, it.correct_cell).run();
        t.commit();
        known_.erase(def.archive_crc32);
    } catch (const SqliteError &e) {
        translate(e, "adding an archive");
    }
}

void Store::begin_batch()
{
    try {
        db_->exec("BEGIN IMMEDIATE");
        batch_ = true;
    } catch (const SqliteError &e) {
        translate(e, "starting to add");
    }
}

void Store::commit_batch()
{
    try {
        batch_ = false;
        db_->exec("COMMIT");
    } catch (const SqliteError &e) {
        sqlite3_exec(db_->handle(), "ROLLBACK", nullptr, nullptr, nullptr);
        known_.clear();
        translate(e, "saving the files added");
    }
}

bool Store::has_test(const std::string &archive_crc32)
{
    try {
        return Statement(*db_, "SELECT 1 FROM tests WHERE archive_crc32 = ?").bind(1, archive_crc32).step();
    } catch (const SqliteError &e) {
        translate(e, "reading");
    }
}

std::vector<std::string> Store::tests_matching(const std::vector<std::string> &texts)
{
    try {
        std::vector<std::string> found;
        Statement tests(*db_, "SELECT archive_crc32 FROM tests WHERE items = ?");
        Statement items(*db_, "SELECT item, text FROM test_items WHERE archive_crc32 = ? AND text IS NOT NULL");
        tests.bind(1, int64_t(texts.size()));
        while (tests.step()) {
            const std::string crc = tests.text(0);
            items.bind(1, crc);
            int known = 0, equal = 0;
            while (items.step()) {
                const int64_t i = items.int64(0);
                known++;
                equal += i >= 1 && i <= int64_t(texts.size()) && items.text(1) == texts[size_t(i - 1)];
            }
            items.reset();
            if (known > 0 && equal == known)
                found.push_back(crc);
        }
        return found;
    } catch (const SqliteError &e) {
        translate(e, "reading");
    }
}

std::vector<TestData> Store::load()
{
    try {
        std::vector<TestData> tests;
        std::map<std::string, size_t> test_index;
        Statement t(*db_, "SELECT archive_crc32, archive_bytes, items, from_archive FROM tests ORDER BY archive_crc32");
        while (t.step()) {
            TestData d;
            d.archive_crc32 = t.text(0);
            d.archive_bytes = t.int64(1, -1);
            d.items = int(t.int64(2));
            d.from_archive = t.int64(3) != 0;
            d.item_info.resize(size_t(d.items));
            for (int i = 0; i < d.items; i++)
                d.item_info[size_t(i)].item = i + 1;
            test_index[d.archive_crc32] = tests.size();
            tests.push_back(std::move(d));
        }
        Statement it(*db_, "SELECT archive_crc32, item, text, cells, correct_cell FROM test_items");
        while (it.step()) {
            TestData &d = tests[test_index.at(it.text(0))];
            const int64_t item = it.int64(1);
            if (item < 1 || item > d.items)
                continue;
            ItemSeen &info = d.item_info[size_t(item - 1)];
            info.text = it.text(2);
            info.cells = uint16_t(it.int64(3));
            info.correct_cell = int(it.int64(4));
        }
        std::map<int64_t, std::pair<size_t, size_t>> by_id;  // session id -> (test, index)
        Statement ss(*db_, "SELECT id, session, archive_crc32, participant, source, file, journal_rows, program, "
                           "version, build, clock, clock_resolution_us, started, last_time, ended_by, total_ms, "
                           "resumes, note FROM sessions ORDER BY archive_crc32, started IS NULL, started, session");
        while (ss.step()) {
            Session s;
            s.session_id = ss.text(1);
            s.archive_crc32 = ss.text(2);
            s.participant = ss.text(3);
            s.source = ss.text(4);
            s.file = ss.text(5);
            s.journal_rows = int(ss.int64(6));
            s.program = ss.text(7);
            s.version = ss.text(8);
            s.build = ss.text(9);
            s.clock = ss.text(10);
            s.clock_resolution_us = ss.int64(11, -1);
            s.started = ss.text(12);
            s.last_time = ss.text(13);
            s.ended_by = ss.text(14);
            s.total_ms = ss.int64(15, -1);
            s.resumes = int(ss.int64(16));
            s.note = ss.text(17);
            const size_t ti = test_index.at(s.archive_crc32);
            s.items = tests[ti].items;
            s.archive_bytes = tests[ti].archive_bytes;
            by_id[ss.int64(0)] = {ti, tests[ti].sessions.size()};
            tests[ti].sessions.push_back(std::move(s));
        }
        Statement rs(*db_, "SELECT session_ref, item, right, digit, cell, correct_cell, rt_ms, first_digit_ms, "
                           "previews, refusals FROM responses ORDER BY session_ref, item");
        int64_t last_ref = -1;
        Session *s = nullptr;
        while (rs.step()) {
            const int64_t ref = rs.int64(0);
            if (ref != last_ref) {
                const auto &[ti, si] = by_id.at(ref);
                s = &tests[ti].sessions[si];
                last_ref = ref;
            }
            Response r;
            r.item = int(rs.int64(1));
            r.right = rs.int64(2) != 0;
            r.digit = int(rs.int64(3));
            r.cell = int(rs.int64(4));
            r.correct_cell = int(rs.int64(5));
            r.rt_ms = rs.int64(6, -1);
            r.first_digit_ms = rs.int64(7, -1);
            r.previews = int(rs.int64(8));
            r.refusals = int(rs.int64(9));
            s->responses.push_back(r);
        }
        return tests;
    } catch (const SqliteError &e) {
        translate(e, "reading");
    }
}

}  // namespace report
