// The results store: one SQLite database (WAL mode) holding the tests, their
// items, the sessions and every answered item. Its schema is in store.cpp
// and described in README.md ("The store").
#pragma once

#include "tools/report/archive_items.h"
#include "tools/report/session.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace report {

class Database;
struct PutStatements;

// Everything the analysis needs about one test (one archive).
struct TestData {
    std::string archive_crc32;
    int64_t archive_bytes = -1;
    int items = 0;
    bool from_archive = false;         // item table read from MERIDOKA.WDL itself
    std::vector<ItemSeen> item_info;   // items[0..items-1]: what is known of each
    std::vector<Session> sessions;     // by start time, then session ID
};

enum class PutOutcome { added, replaced, unchanged, covered };

struct PutResult {
    PutOutcome outcome = PutOutcome::added;
    std::string detail;  // what was replaced or what covers it
};

class Store {
public:
    enum class Mode { read, write };
    // Opens (in write mode: creates) a store. Throws Error with a message
    // naming the file when it is missing, locked, read-only, not an SQLite
    // database, or the database of another program.
    Store(const std::string &path, Mode mode, int busy_ms = 5000);
    ~Store();

    // Each file's content goes in as one unit, all of it or nothing: a
    // transaction of its own, or inside a batch a savepoint (a nested
    // transaction) of its own.
    PutResult put_session(const Session &s);
    void put_test_definition(const TestDefinition &def);

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

private:
    friend class Unit;
    struct KnownItem {
        bool text = false;
        uint16_t cells = 0;
        bool correct = false;
    };
    struct KnownTest {
        int items = 0;
        std::vector<KnownItem> item;  // what test_items already holds
    };
    KnownTest *known_test(const std::string &archive_crc32);
    [[noreturn]] void translate(const std::exception &e, const char *doing) const;
    void create_schema();
    void check_schema();

    std::string path_;
    std::unique_ptr<Database> db_;
    std::unique_ptr<PutStatements> put_;  // prepared once, for thousands of sessions
    std::map<std::string, KnownTest> known_;  // spares the item updates that add nothing
    bool batch_ = false;
};

}  // namespace report
