// The results store: the tests, their items, the sessions and every
// answered item, in one SQLite file or one PostgreSQL database, chosen by
// the location given (README.md, "The store"). Several programs may write
// one store at once: each input goes in whole or not at all, and writers
// take turns deciding what is new.
#pragma once

#include "store/attributes.h"
#include "store/records.h"
#include "store/rows.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace store {

class Connection;
struct PutStatements;

enum class PutOutcome {
    added,
    replaced,   // a longer copy of the session replaced the shorter one
    unchanged,  // already in the store (the same or a longer copy)
    covered,    // a result file whose journal is already in
    conflict    // another session with the same ID (other participant or start): both kept
};

struct PutResult {
    PutOutcome outcome = PutOutcome::added;
    std::string detail;  // what was replaced, what covers it, what it conflicts with
};

// An archive added: its item count outranks what journals claimed. Sessions
// that claimed another item count for its CRC-32 are taken out.
struct ArchiveResult {
    std::vector<std::string> removed;  // "FILE: why" per session taken out
};

// Who was forgotten: the sessions and answers removed.
struct ForgetResult {
    int64_t sessions = 0, responses = 0, attributes = 0;
    std::vector<std::string> files;
};

class Store {
public:
    enum class Mode { read, write };
    // A path (SQLite; created in write mode) or a postgresql:// connection
    // string (the database must exist; the schema is made in write mode).
    // Throws Error with a sentence naming the store when it is missing,
    // locked, read-only, unreachable, refused, of another program or of a
    // newer version. `durable`: every commit reaches the disk before it
    // returns (what a server acknowledging rows needs).
    Store(const std::string &location, Mode mode, int busy_ms = 5000, bool durable = false);
    ~Store();

    const std::string &location() const { return shown_; }  // without a password
    const std::string &location_given() const { return location_; }  // as given, to open it again
    bool is_postgres() const;

    // Each input goes in as one unit, all of it or nothing: a transaction
    // of its own, or inside a batch a savepoint of its own.
    PutResult put_session(const Session &s);
    ArchiveResult put_test_definition(const TestDefinition &def);
    ForgetResult forget_participant(const std::string &participant);

    // Participants' attributes (attributes.h), all of them in one unit. A
    // participant imported again gets the new values of the columns named;
    // an empty cell removes that value. Each column's type is inferred again
    // from every value the store then holds of it.
    AttributesPut put_attributes(const std::vector<std::string> &columns, const std::vector<AttributeRow> &rows);
    Attributes load_attributes();

    // Single journal rows (rows.h), each put in its own durable unit.
    RowOutcome put_row(const std::string &session, int64_t row, const std::string &body);
    RowsState rows_state(const std::string &session);
    // The sessions with rows kept one at a time (a collecting server's)
    // whose rows changed since they were last marked read (every new row
    // marks its session unread).
    std::vector<std::string> unread_row_sessions();
    void mark_rows_read(const std::string &session);  // inside the caller's unit or batch
    // The header row, then the rows from 1 in order up to the first missing
    // one: the journal as far as it is known, for the journal reader.
    std::string journal_text(const std::string &session, const std::string &header);

    // Groups many puts into one transaction (commits are what cost time);
    // commit_batch makes them durable. A batch not committed is rolled back.
    void begin_batch();
    void commit_batch();
    bool in_batch() const { return batch_; }

    // Tests whose item count is `texts.size()` and whose known item texts
    // all equal `texts` (for result files, which do not name their archive).
    std::vector<std::string> tests_matching(const std::vector<std::string> &texts);
    bool has_test(const std::string &archive_crc32);

    std::vector<TestData> load();
    // Like load, with one participant's sessions only (every test they took).
    std::vector<TestData> load_participant(const std::string &participant);

    // Figures derived from a test's sessions, kept until the sessions
    // change: the fingerprint names them (count, highest id, rows, answers).
    std::string test_fingerprint(const std::string &archive_crc32);
    // The body kept under this fingerprint; "" when none or another.
    std::string calibration(const std::string &archive_crc32, const std::string &fingerprint);
    void put_calibration(const std::string &archive_crc32, const std::string &fingerprint, const std::string &body);

    // The raw connection, for copying between stores and for tests.
    Connection &connection() { return *db_; }

private:
    friend class Unit;
    friend class Collector;
    struct KnownItem {
        bool text = false;
        uint16_t cells = 0;
        bool correct = false;
    };
    struct KnownTest {
        int items = 0;
        bool from_archive = false;
        std::vector<KnownItem> item;  // what test_items already holds
    };
    KnownTest *known_test(const std::string &archive_crc32);
    [[noreturn]] void translate(const std::exception &e, const char *doing) const;
    void open_schema(Mode mode);
    void delete_session(int64_t id);
    std::vector<TestData> load_sessions(const std::string *participant);

    std::string location_, shown_;
    std::unique_ptr<Connection> db_;
    std::unique_ptr<PutStatements> put_;  // prepared once, for thousands of sessions
    std::map<std::string, KnownTest> known_;  // spares the item updates that add nothing
    bool batch_ = false;
    int64_t next_id_ = 0;  // the next session's id within a batch; 0: not read yet
    std::map<int64_t, std::string> copy_answers_;  // a PostgreSQL batch's answers, sent by COPY at its commit
};

}  // namespace store
