#include "store/schema.h"

#include "store/dialect.h"
#include "store/rows.h"

#include <string>
#include <utility>
#include <vector>

namespace store {

namespace {

const char tables_sql[] = R"sql(
CREATE TABLE tests (
  archive_crc32 TEXT PRIMARY KEY,            -- 8 lower-case hex digits: the test's identity
  archive_bytes BIGINT,
  items INTEGER NOT NULL,
  from_archive INTEGER NOT NULL DEFAULT 0    -- 1: the item table was read from MERIDOKA.WDL
);
CREATE TABLE test_items (
  archive_crc32 TEXT NOT NULL REFERENCES tests (archive_crc32),
  item INTEGER NOT NULL,                     -- 1-based, in test order
  text TEXT,                                 -- UTF-8
  cells INTEGER NOT NULL DEFAULT 0,          -- answer cells known to be present: bit c-1 = cell c
  correct_cell INTEGER,
  PRIMARY KEY (archive_crc32, item)
) {without_rowid};
CREATE TABLE journal_rows (                 -- rows as a server receives them, each (session, row) once
  session TEXT NOT NULL,
  row_number INTEGER NOT NULL,               -- from 1, as the page numbers them
  body TEXT NOT NULL,                        -- the row's bytes, CR LF included
  PRIMARY KEY (session, row_number)
) {without_rowid};
CREATE TABLE journal_row_conflicts (        -- another body for a pair already kept: never dropped
  session TEXT NOT NULL,
  row_number INTEGER NOT NULL,
  body_sha256 TEXT NOT NULL,                 -- the key, not the body: a key row must stay small (PostgreSQL)
  body TEXT NOT NULL,
  PRIMARY KEY (session, row_number, body_sha256)
) {without_rowid};
CREATE TABLE responses (
  session_ref BIGINT NOT NULL,               -- sessions.id
  item INTEGER NOT NULL,
  "right" INTEGER NOT NULL,
  digit INTEGER, cell INTEGER, correct_cell INTEGER,   -- NULL: not known (result files)
  rt_ms BIGINT, first_digit_ms BIGINT,
  previews INTEGER, refusals INTEGER,
  PRIMARY KEY (session_ref, item)
) {without_rowid};
)sql";

// Version 2: a session is the same session only when its ID, archive,
// participant and start agree (version 1: ID and archive).
const char sessions_sql[] = R"sql(
CREATE TABLE sessions (
  id {id},
  session TEXT NOT NULL,                     -- journal: its session ID; result file: a hash of it
  archive_crc32 TEXT NOT NULL REFERENCES tests (archive_crc32),
  participant TEXT NOT NULL,
  source TEXT NOT NULL CHECK (source IN ('journal', 'result_file')),
  file TEXT NOT NULL,
  journal_rows INTEGER NOT NULL,             -- rows kept; a longer copy of the session replaces this one
  program TEXT, version TEXT, build TEXT, clock TEXT, clock_resolution_us BIGINT,
  started TEXT, last_time TEXT,              -- local time YYYY-MM-DDThh:mm:ss
  ended_by TEXT NOT NULL,                    -- completed, esc, closed, unfinished, stopped
  total_ms BIGINT,
  resumes INTEGER NOT NULL,
  note TEXT,
  answered INTEGER NOT NULL,
  right_total INTEGER NOT NULL,
  wrong_total INTEGER NOT NULL,
  marks TEXT NOT NULL                        -- '+'/'-' per answered item, as in the result file
);
)sql";

const char session_indexes_sql[] = R"sql(
CREATE UNIQUE INDEX sessions_identity ON sessions (session, archive_crc32, participant, coalesce(started, ''));
CREATE INDEX sessions_by_marks ON sessions (archive_crc32, marks);
CREATE INDEX sessions_by_participant ON sessions (participant);
)sql";

// Version 4: what is known of each participant (age, sex, group...), one
// row per participant and attribute, and each attribute's inferred type.
const char attributes_sql[] = R"sql(
CREATE TABLE attribute_columns (
  name TEXT PRIMARY KEY,                     -- as in the imported file's header
  type TEXT NOT NULL CHECK (type IN ('number', 'date', 'text')),
  position INTEGER NOT NULL                  -- the column's place, first seen first
);
CREATE TABLE participant_attributes (
  participant TEXT NOT NULL,
  name TEXT NOT NULL REFERENCES attribute_columns (name),
  value TEXT NOT NULL,                       -- as written; an empty cell is no row
  PRIMARY KEY (participant, name)
) {without_rowid};
)sql";

// Version 5: figures derived from a test's sessions, kept for the next
// reader while those sessions stay as they were (the person page's item
// calibration). Never copied: whoever needs them makes them again.
const char calibrations_sql[] = R"sql(
CREATE TABLE calibrations (
  archive_crc32 TEXT PRIMARY KEY,
  fingerprint TEXT NOT NULL,                 -- the test's sessions when it was made (Store::test_fingerprint)
  body TEXT NOT NULL                         -- the figures, in the maker's own text form
);
)sql";

// Version 6: what a collecting server keeps so that several of its
// processes on one database act as one (collector.h). IF NOT EXISTS: a
// store taken back to an older version by hand keeps them.
const char collector_sql[] = R"sql(
CREATE TABLE IF NOT EXISTS studies (
  study_key TEXT PRIMARY KEY,                -- the link's key: 32 hex digits, 128 random bits
  name TEXT NOT NULL,
  archive_crc32 TEXT NOT NULL,
  archive_bytes BIGINT NOT NULL,
  archive TEXT NOT NULL,                     -- the archive itself, as hex digits
  is_open INTEGER NOT NULL,
  created BIGINT NOT NULL                    -- Unix seconds
);
CREATE TABLE IF NOT EXISTS study_sessions (               -- which study a session's rows came through, and how far it got
  session TEXT PRIMARY KEY,
  study_key TEXT NOT NULL REFERENCES studies (study_key),
  participant TEXT NOT NULL,
  first_row BIGINT NOT NULL,                 -- Unix seconds of the first and last row received
  last_row BIGINT NOT NULL,
  rows_kept INTEGER NOT NULL,
  ended_by TEXT,                             -- session_end's; NULL: not ended (or resumed since)
  right_total TEXT, wrong_total TEXT, answered TEXT
);
CREATE INDEX IF NOT EXISTS study_sessions_by_study ON study_sessions (study_key, participant);
CREATE TABLE IF NOT EXISTS researchers (
  name TEXT PRIMARY KEY,
  password_hash TEXT NOT NULL,               -- Argon2id, with its salt and costs
  created BIGINT NOT NULL
);
CREATE TABLE IF NOT EXISTS logins (
  token_sha256 TEXT PRIMARY KEY,             -- the cookie's token is never kept, only its hash
  researcher TEXT NOT NULL REFERENCES researchers (name),
  csrf TEXT NOT NULL,                        -- every form of this login carries it
  expires BIGINT NOT NULL
);
CREATE TABLE IF NOT EXISTS quarantine (                   -- rows refused, kept for the researcher
  id {id},
  study_key TEXT NOT NULL,
  received BIGINT NOT NULL,
  client TEXT NOT NULL,
  reason TEXT NOT NULL,
  query TEXT NOT NULL,
  body_hex TEXT NOT NULL                     -- as received, any bytes, as hex digits
);
CREATE TABLE IF NOT EXISTS audit_log (
  id {id},
  at BIGINT NOT NULL,
  researcher TEXT NOT NULL,
  action TEXT NOT NULL,
  detail TEXT NOT NULL
);
)sql";

// Version 7: researchers' tokens for sending journals from the lab's own
// computers (meridoka-report push); only their hashes are kept.
const char push_tokens_sql[] = R"sql(
CREATE TABLE IF NOT EXISTS push_tokens (
  token_sha256 TEXT PRIMARY KEY,
  researcher TEXT NOT NULL REFERENCES researchers (name),
  created BIGINT NOT NULL
);
)sql";

// Version 9: result files sent from the lab's own computers to a study
// (meridoka-report push), kept as sent under the session a result file is
// (result_files.h), so that one sent twice is kept once; `add` reads them
// in beside the study's rows.
const char pushed_results_sql[] = R"sql(
CREATE TABLE IF NOT EXISTS pushed_results (
  study_key TEXT NOT NULL REFERENCES studies (study_key),
  session TEXT NOT NULL,                     -- result_file_session(participant, bytes)
  participant TEXT NOT NULL,                 -- result_file_participant(its path), on the computer that sent it
  file TEXT NOT NULL,                        -- its path there
  body_hex TEXT NOT NULL,                    -- the file's bytes (a code page of the runner's) as hex digits
  received BIGINT NOT NULL,
  researcher TEXT NOT NULL,                  -- whose token sent it
  PRIMARY KEY (study_key, session)
);
)sql";

// Version 8: a push token may expire, is revoked rather than deleted (a
// revoked token is told apart from one never given), and says when it was
// last used. A store taken back by hand may have them already.
void add_token_lifetimes(Connection &c)
{
    for (const char *column : {"expires", "last_used", "revoked"})  // Unix seconds; NULL: never
        if (!has_column(c, "push_tokens", column))
            c.exec(std::string("ALTER TABLE push_tokens ADD COLUMN ") + column + " BIGINT");
}

// Version 10: the sessions whose kept rows changed since add last read them
// (a mark per session, set by every insert into journal_rows), so that add
// reads only those again. A store brought up to date has every session
// marked: its next add reads them all once more, as before.
const char rows_unread_sql[] = R"sql(
CREATE TABLE IF NOT EXISTS rows_unread (session TEXT PRIMARY KEY);
INSERT INTO rows_unread (session) SELECT DISTINCT session FROM journal_rows
  WHERE session NOT IN (SELECT session FROM rows_unread);
)sql";
const char rows_unread_sqlite_sql[] = R"sql(
CREATE TRIGGER IF NOT EXISTS rows_unread_mark AFTER INSERT ON journal_rows
BEGIN INSERT OR IGNORE INTO rows_unread (session) VALUES (NEW.session); END;
)sql";
const char rows_unread_postgres_sql[] = R"sql(
CREATE OR REPLACE FUNCTION rows_unread_mark() RETURNS trigger LANGUAGE plpgsql AS $$
BEGIN INSERT INTO rows_unread (session) VALUES (NEW.session) ON CONFLICT DO NOTHING; RETURN NULL; END $$;
DROP TRIGGER IF EXISTS rows_unread_mark ON journal_rows;
CREATE TRIGGER rows_unread_mark AFTER INSERT ON journal_rows FOR EACH ROW EXECUTE FUNCTION rows_unread_mark();
)sql";

// The part of tables_sql that makes one table.
std::string table_sql(Dialect d, const std::string &name)
{
    const std::string all = dialect_sql(d, tables_sql);
    const size_t from = all.find("CREATE TABLE " + name + " ("), to = all.find("CREATE TABLE", from + 1);
    return all.substr(from, to == std::string::npos ? std::string::npos : to - from);
}

// Version 3: conflicting rows keyed by a hash of their body, not the body
// itself (a body of a few kilobytes broke PostgreSQL's key size).
void key_conflicts_by_hash(Connection &c)
{
    std::vector<std::pair<std::string, std::pair<int64_t, std::string>>> kept;
    auto old = c.prepare("SELECT session, row_number, body FROM journal_row_conflicts");
    while (old->step())
        kept.push_back({old->text(0), {old->int64(1), old->text(2)}});
    old.reset();
    c.exec("DROP TABLE journal_row_conflicts");
    c.exec(table_sql(c.dialect(), "journal_row_conflicts"));
    auto in = c.prepare("INSERT INTO journal_row_conflicts (session, row_number, body_sha256, body) VALUES (?, ?, ?, ?)");
    for (const auto &[session, row] : kept)
        in->bind(1, session).bind(2, row.first).bind(3, body_sha256(row.second)).bind(4, row.second).run();
}

}  // namespace

void create_or_migrate(Connection &c, int64_t from_version)
{
    const Dialect d = c.dialect();
    if (from_version == 0) {
        c.exec(dialect_sql(d, tables_sql));
        c.exec(dialect_sql(d, sessions_sql));
        c.exec(session_indexes_sql);
    }
    if (from_version == 1) {  // only SQLite stores were made at version 1: a new identity key, single rows
        c.exec(table_sql(d, "journal_rows") + table_sql(d, "journal_row_conflicts"));
        // the old responses table names sessions in a REFERENCES clause, which a rename must leave alone
        c.exec("PRAGMA legacy_alter_table = ON; ALTER TABLE sessions RENAME TO sessions_v1");
        c.exec(dialect_sql(d, sessions_sql));
        c.exec("INSERT INTO sessions SELECT * FROM sessions_v1; DROP TABLE sessions_v1");
        c.exec(session_indexes_sql);
        c.exec("PRAGMA legacy_alter_table = OFF");
    }
    if (from_version == 2)
        key_conflicts_by_hash(c);
    if (from_version < 4)
        c.exec(dialect_sql(d, attributes_sql));
    if (from_version < 5)
        c.exec(calibrations_sql);
    if (from_version < 6)
        c.exec(dialect_sql(d, collector_sql));
    if (from_version < 7)
        c.exec(push_tokens_sql);
    if (from_version < 8)
        add_token_lifetimes(c);
    if (from_version < 9)
        c.exec(pushed_results_sql);
    if (from_version < 10) {
        c.exec(rows_unread_sql);
        c.exec(d == Dialect::sqlite ? rows_unread_sqlite_sql : rows_unread_postgres_sql);
    }
    write_mark(c, application_id, schema_version);
}

}  // namespace store
