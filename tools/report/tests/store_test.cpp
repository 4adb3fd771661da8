// The store: what adding files does (again, longer copies, damage, result
// files), tests kept apart, and the stores that cannot be used.
#include "store/collector.h"
#include "store/copy.h"
#include "store/db.h"
#include "store/dialect.h"
#include "store/schema.h"
#include "store/store.h"
#include "report/add_command.h"
#include "report/archive_items.h"
#include "report/error.h"
#include "report/journal.h"
#include "tools/report/participants.h"
#include "tools/report/tests/report_support.h"

#include <sstream>

using namespace report;
using namespace report_test;

namespace {

class StoreTest : public Scratch {
protected:
    void SetUp() override
    {
        Scratch::SetUp();
        db = new_store(path("results.db"));
    }
    AddSummary add(const std::vector<std::string> &inputs, const AddOptions &options = {})
    {
        Store store(db, Store::Mode::write);
        out.str("");
        err.str("");
        return add_inputs(store, inputs, options, out, err);
    }
    std::vector<TestData> load() { return Store(db, Store::Mode::read).load(); }
    int64_t count(const std::string &table)
    {
        return Store(db, Store::Mode::read).connection().int_query("SELECT count(*) FROM " + table);
    }
    void journal(const std::string &name, const sim::SessionPlan &p, const sim::SimTest &test = small_test())
    {
        write_file(path(name), sim::write_journal(test, p));
    }
    std::ostringstream out, err;
    std::string db;  // the store: an SQLite file, or a PostgreSQL database
};

const std::vector<int> all_right = {5, 1, 9, 2, 2, 7};

// The runner's result file for the small test (ASCII texts, so any code page).
std::string result_sheet(const std::string &marks)
{
    const sim::SimTest t = small_test();
    std::string s = "Results\r\n\r\n";
    int right = 0;
    for (size_t i = 0; i < t.items.size(); i++) {
        const char m = i < marks.size() ? marks[i] : ' ';
        right += m == '+';
        s += std::string(1, m) + " | " + t.items[i].text + "\r\n";
    }
    return s + "\r\nTotal: " + std::to_string(right) + "(+) " + std::to_string(int(marks.size()) - right) + "(-) (" +
           std::to_string(marks.size()) + "/" + std::to_string(t.items.size()) + ")\r\n";
}

}  // namespace

TEST_F(StoreTest, AddingAgainChangesNothingAndALongerCopyReplacesTheShorter)
{
    journal("pc1/S0000001.CSV", plan("00000000000000b1", "P1", all_right));
    journal("pc1/S0000002.CSV", plan("00000000000000b2", "P2", {5, 1, 9, 1, 1}, "esc"));
    sim::SessionPlan stopped = plan("00000000000000b3", "P3", {5, 1, 9}, "");
    stopped.cut_row_keep = 40;
    journal("pc1/S0000003.CSV", stopped);

    AddSummary s = add({path("pc1")});
    EXPECT_EQ(s.files, 3);
    EXPECT_EQ(s.added, 3);
    EXPECT_EQ(s.warnings, 1);  // the cut row of the stopped session
    EXPECT_NE(err.str().find("pc1/S0000003.CSV:"), std::string::npos);
    EXPECT_EQ(summary_line(s), "3 files: 3 sessions added; 1 cut rows dropped");
    const int64_t responses = count("responses");
    EXPECT_EQ(responses, 6 + 5 + 3);

    s = add({path("pc1")});
    EXPECT_EQ(s.added, 0);
    EXPECT_EQ(s.unchanged, 3);
    EXPECT_EQ(count("sessions"), 3);
    EXPECT_EQ(count("responses"), responses);

    // the stopped session was resumed later: its longer journal replaces it, a shorter copy does not
    sim::SessionPlan resumed = plan("00000000000000b3", "P3", all_right);
    resumed.resume_after = 3;
    resumed.cut_row_keep = 40;
    journal("later/S0000003.CSV", resumed);
    s = add({path("later")});
    EXPECT_EQ(s.replaced, 1);
    EXPECT_NE(out.str().find("a longer copy of the session from"), std::string::npos);
    s = add({path("pc1/S0000003.CSV")});
    EXPECT_EQ(s.unchanged, 1);
    const std::vector<TestData> tests = load();
    ASSERT_EQ(tests.size(), 1u);
    ASSERT_EQ(tests[0].sessions.size(), 3u);
    const Session &b3 = tests[0].sessions[2];
    EXPECT_EQ(b3.session_id, "00000000000000b3");
    EXPECT_EQ(b3.ended_by, "completed");
    EXPECT_EQ(b3.resumes, 1);
    EXPECT_EQ(b3.responses.size(), 6u);
    EXPECT_EQ(count("responses"), 6 + 5 + 6);

    // both copies in one add: the longer replaces the shorter within one batch, answers and all
    sim::SessionPlan first = plan("00000000000000b4", "P4", {5, 1}, "");
    journal("both/a/S0000004.CSV", first);
    sim::SessionPlan longer = plan("00000000000000b4", "P4", all_right);
    longer.resume_after = 2;
    journal("both/b/S0000004.CSV", longer);
    s = add({path("both/a"), path("both/b")});
    EXPECT_EQ(s.added, 1);
    EXPECT_EQ(s.replaced, 1);
    EXPECT_EQ(count("responses"), 6 + 5 + 6 + 6);
}

TEST_F(StoreTest, DamagedFilesAreReportedWithTheirLineAndNeverHalfEnter)
{
    journal("in/S0000001.CSV", plan("00000000000000c1", "P1", all_right));
    std::string damaged = sim::write_journal(small_test(), plan("00000000000000c2", "P2", all_right));
    // the last answer, just before session_end, gets a field too many
    const size_t end_row = damaged.rfind("\r\n", damaged.size() - 3);
    damaged.insert(end_row, ",extra");
    write_file(path("in/S0000002.CSV"), damaged);
    write_file(path("in/S0000003.CSV"), "name,score\r\nAnna,12\r\n");
    write_file(path("in/S0000004.CSV"), std::string("\x7F" "ELF\x02\x01\x01\0\0\0", 10));
    sim::SimTest other_size = small_test();  // same archive CRC-32, one item fewer: not the same test
    other_size.items.pop_back();
    journal("in/S0000005.CSV", plan("00000000000000c5", "P5", {5, 1, 9, 2, 2}), other_size);

    const AddSummary s = add({path("in")});
    EXPECT_EQ(s.added, 1);
    EXPECT_EQ(s.skipped, 4);
    const std::string e = err.str();
    const int end_line = int(std::count(damaged.begin(), damaged.end(), '\n')) - 1;
    EXPECT_NE(e.find("in/S0000002.CSV:" + std::to_string(end_line) + ": 28 fields; a journal row has 27 (file "
                     "skipped)"),
              std::string::npos)
        << e;
    EXPECT_NE(e.find("in/S0000003.CSV:1: a CSV file, but not a session journal"), std::string::npos) << e;
    EXPECT_NE(e.find("in/S0000004.CSV:1: not a session journal"), std::string::npos) << e;
    EXPECT_NE(e.find("archive a1b2c3d4 has 6 items in the store, this session says 5"), std::string::npos) << e;
    EXPECT_EQ(count("sessions"), 1);
    EXPECT_EQ(count("responses"), 6);

    // a failure inside the store's own writing takes back the whole session
    Session twice = load()[0].sessions[0];
    twice.session_id = "00000000000000c6";
    twice.responses.push_back(twice.responses.back());  // the same item twice breaks a key
    Store store(db, Store::Mode::write);
    EXPECT_THROW(store.put_session(twice), StoreError);
    EXPECT_EQ(count("sessions"), 1);
    EXPECT_EQ(count("responses"), 6);
}

TEST_F(StoreTest, SessionsOfDifferentArchivesAreKeptApart)
{
    sim::SimTest second = small_test();
    second.archive_crc32 = "0badf00d";
    journal("S0000001.CSV", plan("00000000000000d1", "P1", all_right));
    journal("S0000002.CSV", plan("00000000000000d2", "P1", all_right), second);
    journal("S0000003.CSV", plan("00000000000000d1", "P1", all_right), second);  // same ID, other archive
    EXPECT_EQ(add({path("S0000001.CSV"), path("S0000002.CSV"), path("S0000003.CSV")}).added, 3);
    const std::vector<TestData> tests = load();
    ASSERT_EQ(tests.size(), 2u);
    EXPECT_EQ(tests[0].archive_crc32, "0badf00d");
    EXPECT_EQ(tests[0].sessions.size(), 2u);
    EXPECT_EQ(tests[1].archive_crc32, "a1b2c3d4");
    EXPECT_EQ(tests[1].sessions.size(), 1u);
    EXPECT_EQ(tests[1].item_info[4].text, "Item 5, \"odd\"");
    EXPECT_EQ(tests[1].item_info[4].correct_cell, 3);
}

TEST_F(StoreTest, ResultFilesFindTheirTestAndGiveWayToJournals)
{
    journal("P1/S0000001.CSV", plan("00000000000000e1", "P1", {5, 1, 9, 2, 1, 7}));
    write_file(path("P1/RESULT-W.TXT"), result_sheet("++++-+"));   // the same session's result file
    journal("pc3/S0000001.CSV", plan("00000000000000e3", "", all_right));  // no participant given
    write_file(path("pc3/RESULT-W.TXT"), result_sheet("++++++"));  // beside it: the same session
    write_file(path("P2/RESULT-W.TXT"), result_sheet("+++-+"));    // Esc after item 5
    write_file(path("other/RESULT-D.TXT"), "R\r\n\r\n+ | x\r\n\r\nT 1(+) 0(-) (1/1)\r\n");
    // journals go in first whatever the order
    AddSummary s = add({path("P2"), path("P1"), path("pc3"), path("other")});
    EXPECT_EQ(s.added, 3);
    EXPECT_EQ(s.covered, 2);
    EXPECT_EQ(s.skipped, 1);
    EXPECT_NE(out.str().find("P1/RESULT-W.TXT: its answers are the journal's of"), std::string::npos) << out.str();
    EXPECT_NE(err.str().find("other/RESULT-D.TXT: no test in the store has these 1 items"), std::string::npos);
    std::vector<TestData> tests = load();
    ASSERT_EQ(tests.size(), 1u);
    ASSERT_EQ(tests[0].sessions.size(), 3u);
    const Session &r = tests[0].sessions[2];  // sessions without a start time come last
    EXPECT_EQ(r.source, "result_file");
    EXPECT_EQ(r.participant, "P2");  // the folder's name
    EXPECT_EQ(r.ended_by, "stopped");
    ASSERT_EQ(r.responses.size(), 5u);
    EXPECT_EQ(r.responses[3].cell, 0);
    EXPECT_EQ(r.responses[3].rt_ms, -1);

    // P2's journal turns up later: it replaces the result file
    journal("P2/S0000001.CSV", plan("00000000000000e2", "P2", {5, 1, 9, 1, 2}, "esc"));
    s = add({path("P2/S0000001.CSV")});
    EXPECT_NE(out.str().find("replaces the result file"), std::string::npos);
    tests = load();
    ASSERT_EQ(tests[0].sessions.size(), 3u);
    for (const Session &each : tests[0].sessions)
        EXPECT_EQ(each.source, "journal");

    // named result files: the participant from --participant or the file name, the test from --test
    write_file(path("P7.TXT"), result_sheet("++++++"));
    EXPECT_EQ(add({path("P7.TXT")}).added, 1);
    write_file(path("x/anything.txt"), result_sheet("+++"));
    EXPECT_EQ(add({path("x/anything.txt")}, AddOptions{"P8", "a1b2c3d4", false}).added, 1);
    std::vector<std::string> who;
    tests = load();
    for (const Session &each : tests[0].sessions)
        who.push_back(each.participant);
    EXPECT_EQ(who, (std::vector<std::string>{"P1", "P2", "", "P7", "P8"}));  // by start time, then ID
}

TEST_F(StoreTest, ArchivesGiveTheFullItemTable)
{
    if (!fs::exists(SAMPLE_ARCHIVE))
        GTEST_SKIP() << "no sample archive";
    const AddSummary s = add({SAMPLE_ARCHIVE});
    EXPECT_EQ(s.archives, 1);
    const std::vector<TestData> tests = load();
    ASSERT_EQ(tests.size(), 1u);
    EXPECT_TRUE(tests[0].from_archive);
    EXPECT_EQ(tests[0].items, 27);
    EXPECT_EQ(tests[0].item_info[0].text, "Задание 1 (тренировочное)");
    EXPECT_EQ(tests[0].item_info[0].cells, (1 << 1) | (1 << 3) | (1 << 4) | (1 << 5) | (1 << 7) | (1 << 8));
    EXPECT_EQ(tests[0].item_info[0].correct_cell, 5);  // digit 3 among cells 2 4 5 6 8 9
}

namespace {

std::string error_of(const std::string &location, Store::Mode mode, int busy_ms = 5000)
{
    try {
        Store store(location, mode, busy_ms);
        store.begin_batch();
        store.commit_batch();
    } catch (const Error &e) {
        return std::string(e.what());
    }
    return std::string();
}

}  // namespace

// SQLite files, whichever store the other tests use.
TEST_F(StoreTest, StoresThatCannotBeUsedAreNamedClearly)
{
    EXPECT_EQ(error_of(path("none.db"), Store::Mode::read),
              path("none.db") + " does not exist; make a store with: meridoka-report add " + path("none.db") +
                  " FILE|FOLDER...");
    write_file(path("notes.txt"), "these are my notes, not a database\n");
    EXPECT_EQ(error_of(path("notes.txt"), Store::Mode::write),
              path("notes.txt") + " is not an SQLite database, so not a results store (is it the right file?)");
    store::open_sqlite(path("other.db"), true, true, 0)->exec("CREATE TABLE customers (name TEXT)");
    EXPECT_NE(error_of(path("other.db"), Store::Mode::write).find("is an SQLite database of another program"),
              std::string::npos);
    const std::string file = path("file.db");
    Store(file, Store::Mode::write).connection().exec("PRAGMA user_version = 99");
    EXPECT_NE(error_of(file, Store::Mode::read).find("was made by a newer meridoka-report (store version 99"),
              std::string::npos);
    std::remove(file.c_str());

    // another program is writing: the store waits a while, then says so
    journal("S0000001.CSV", plan("00000000000000f1", "P1", all_right));
    {
        Store store(file, Store::Mode::write);
        std::ostringstream o, e;
        add_inputs(store, {path("S0000001.CSV")}, {}, o, e);
    }
    {
        auto writer = store::open_sqlite(file, true, false, 0);
        writer->exec("BEGIN IMMEDIATE");
        EXPECT_NE(error_of(file, Store::Mode::write, 100).find("file.db is locked: another program is writing to it"),
                  std::string::npos);
        EXPECT_EQ(Store(file, Store::Mode::read).load().size(), 1u);  // reading goes on
        writer->exec("ROLLBACK");
    }

    // a file that may not be written (immutable, which binds even root)
    if (run("chattr +i " + quoted(file)).status != 0)
        GTEST_SKIP() << "chattr +i is not available here";
    const std::string e = error_of(file, Store::Mode::write);
    EXPECT_EQ(Store(file, Store::Mode::read).load().size(), 1u);
    run("chattr -i " + quoted(file));
    EXPECT_EQ(e, file + " is read-only (no permission to write it): results cannot be added to it");
}

// A version 1 store (one SQLite file of an earlier meridoka-report) is
// brought up to date by the first add, its sessions kept.
TEST_F(StoreTest, AnOlderStoreIsBroughtUpToDate)
{
    const std::string file = path("old.db");
    {
        auto old = store::open_sqlite(file, true, true, 0);
        old->exec(R"sql(
CREATE TABLE tests (archive_crc32 TEXT PRIMARY KEY, archive_bytes INTEGER, items INTEGER NOT NULL,
  from_archive INTEGER NOT NULL DEFAULT 0);
CREATE TABLE test_items (archive_crc32 TEXT NOT NULL REFERENCES tests (archive_crc32), item INTEGER NOT NULL,
  text TEXT, cells INTEGER NOT NULL DEFAULT 0, correct_cell INTEGER, PRIMARY KEY (archive_crc32, item)) WITHOUT ROWID;
CREATE TABLE sessions (id INTEGER PRIMARY KEY, session TEXT NOT NULL,
  archive_crc32 TEXT NOT NULL REFERENCES tests (archive_crc32), participant TEXT NOT NULL,
  source TEXT NOT NULL CHECK (source IN ('journal', 'result_file')), file TEXT NOT NULL,
  journal_rows INTEGER NOT NULL, program TEXT, version TEXT, build TEXT, clock TEXT, clock_resolution_us INTEGER,
  started TEXT, last_time TEXT, ended_by TEXT NOT NULL, total_ms INTEGER, resumes INTEGER NOT NULL, note TEXT,
  answered INTEGER NOT NULL, right_total INTEGER NOT NULL, wrong_total INTEGER NOT NULL, marks TEXT NOT NULL,
  UNIQUE (session, archive_crc32));
CREATE INDEX sessions_by_marks ON sessions (archive_crc32, marks);
CREATE TABLE responses (session_ref INTEGER NOT NULL REFERENCES sessions (id), item INTEGER NOT NULL,
  right INTEGER NOT NULL, digit INTEGER, cell INTEGER, correct_cell INTEGER, rt_ms INTEGER, first_digit_ms INTEGER,
  previews INTEGER, refusals INTEGER, PRIMARY KEY (session_ref, item)) WITHOUT ROWID;
INSERT INTO tests VALUES ('a1b2c3d4', 4321, 6, 0);
INSERT INTO sessions VALUES (7, '00000000000000a7', 'a1b2c3d4', 'P7', 'result_file', '/x/P7.TXT', 0, NULL, NULL,
  NULL, NULL, NULL, NULL, NULL, 'stopped', NULL, 0, NULL, 1, 1, 0, '+');
INSERT INTO responses VALUES (7, 1, 1, NULL, NULL, NULL, NULL, NULL, NULL, NULL);
PRAGMA application_id = 1297237067; PRAGMA user_version = 1;
)sql");
    }
    EXPECT_NE(error_of(file, Store::Mode::read).find("of an older version"), std::string::npos);
    Store(file, Store::Mode::write);
    Store now(file, Store::Mode::read);
    EXPECT_EQ(now.connection().int_query("PRAGMA user_version"), store::schema_version);
    const std::vector<TestData> tests = now.load();
    ASSERT_EQ(tests.size(), 1u);
    ASSERT_EQ(tests[0].sessions.size(), 1u);
    EXPECT_EQ(tests[0].sessions[0].participant, "P7");
    EXPECT_EQ(tests[0].sessions[0].responses.size(), 1u);
}

// A version 7 store's push tokens (no expiry, never revoked) stay valid
// when the store is brought up to date, and can then be revoked.
TEST_F(StoreTest, PushTokensOfAnOlderStoreStayValid)
{
    {
        Store store(db, Store::Mode::write);
        store::Connection &c = store.connection();
        c.exec("DROP TABLE push_tokens; CREATE TABLE push_tokens (token_sha256 TEXT PRIMARY KEY, "
               "researcher TEXT NOT NULL REFERENCES researchers (name), created BIGINT NOT NULL)");
        c.exec("INSERT INTO researchers VALUES ('anna', 'x', 1); "
               "INSERT INTO push_tokens VALUES ('0123456789abcdef0123456789abcdef0123456789abcdef0123456789abcdef', "
               "'anna', 100)");
        store::write_mark(c, store::application_id, 7);
    }
    Store store(db, Store::Mode::write);
    store::Collector c(store);
    const auto t = c.push_token("0123456789abcdef0123456789abcdef0123456789abcdef0123456789abcdef");
    ASSERT_TRUE(t.has_value());
    EXPECT_EQ(t->id, "0123456789ab");
    EXPECT_EQ(t->researcher, "anna");
    EXPECT_EQ(t->expires + t->revoked + t->last_used, 0);
    EXPECT_EQ(c.revoke_push_token("0123456789ab", 200, "test"), store::Revoked::now);
    EXPECT_EQ(c.revoke_push_token("0123456789ab", 300, "test"), store::Revoked::before);
    EXPECT_EQ(c.revoke_push_token("0123456789", 300, "test"), store::Revoked::no_such_token);
    EXPECT_EQ(c.push_tokens().at(0).revoked, 200);
    EXPECT_EQ(c.audit_log(1).at(0).action, "revoke push token");
}

// Identity: one ID on two people's sessions (the headless tool's fixed ID,
// the DOS build's clock-made ones) is two sessions, reported, never merged.
// And the archive outranks a journal that claims its CRC-32 with another
// item count, whichever came first.
TEST_F(StoreTest, OneIdTwoSessionsAndTheArchiveOutranksAJournal)
{
    journal("a/S0000001.CSV", plan("00000000000000aa", "Anna", all_right));
    journal("b/S0000001.CSV", plan("00000000000000aa", "Boris", {5, 1, 9, 1, 1, 1}));
    AddSummary s = add({path("a"), path("b")});
    EXPECT_EQ(s.added, 2);
    EXPECT_EQ(s.conflicts, 1);
    EXPECT_NE(out.str().find("conflict: session ID 00000000000000aa is also that of another session (participant "
                             "Anna"),
              std::string::npos)
        << out.str();
    EXPECT_NE(summary_line(s).find("1 sharing an ID with another session (kept apart)"), std::string::npos);
    s = add({path("a"), path("b")});
    EXPECT_EQ(s.unchanged, 2);
    std::vector<TestData> tests = load();
    ASSERT_EQ(tests[0].sessions.size(), 2u);
    EXPECT_EQ(tests[0].sessions[0].marks() + tests[0].sessions[1].marks(), "++++++" "+++---");

    if (!fs::exists(SAMPLE_ARCHIVE))
        GTEST_SKIP() << "no sample archive";
    const sim::SimTest sample = sim::test_from_definition(read_test_definition(read_file(SAMPLE_ARCHIVE), "x"), 1);
    std::vector<int> training;  // the right digits of the training items
    for (int k = 0; k < 3; k++)
        for (int d = 1; d <= 9; d++)
            if (sim::cell_of_digit(sample.items[size_t(k)].cells, d) == sample.items[size_t(k)].correct_cell) {
                training.push_back(d);
                break;
            }
    sim::SimTest damaged = sample;  // claims the archive's CRC-32, one item short
    damaged.items.pop_back();
    journal("bad/S0000001.CSV", plan("00000000000000bb", "P1", training, "esc"), damaged);
    EXPECT_EQ(add({path("bad")}).added, 1);
    journal("good/S0000001.CSV", plan("00000000000000cc", "P2", training, "esc"), sample);
    fs::copy_file(SAMPLE_ARCHIVE, path("good/MERIDOKA.WDL"));
    s = add({path("good")});
    EXPECT_EQ(s.archives, 1);
    EXPECT_EQ(s.added, 1);
    EXPECT_EQ(s.removed, 1);
    EXPECT_EQ(s.skipped, 0) << err.str();
    EXPECT_NE(err.str().find("bad/S0000001.CSV: removed from the store: it claims archive " + sample.archive_crc32 +
                             " with 26 items, the archive holds 27"),
              std::string::npos)
        << err.str();
    // the damaged journal again: refused, the archive's test stays
    s = add({path("bad")});
    EXPECT_EQ(s.skipped, 1);
    EXPECT_NE(err.str().find("has 27 items (from the archive itself), this session says 26"), std::string::npos)
        << err.str();
    tests = load();
    ASSERT_EQ(tests.size(), 2u);
    for (const TestData &t : tests)
        if (t.archive_crc32 == sample.archive_crc32) {
            EXPECT_EQ(t.items, 27);
            ASSERT_EQ(t.sessions.size(), 1u);
            EXPECT_EQ(t.sessions[0].participant, "P2");
        }
}

// Rows one at a time, as a server receives them from pages: out of order,
// some twice, one with other bytes. Each (session, row) is kept once, a
// gap is told from a complete session, and the session is read again from
// its rows when the missing one arrives.
TEST_F(StoreTest, RowsArriveOneAtATimeOutOfOrder)
{
    const std::string file = sim::write_journal(small_test(), plan("00000000000000dd", "P9", all_right));
    const size_t header_end = file.find("\r\n") + 2;
    const std::string header = file.substr(0, header_end);
    std::vector<std::string> rows;
    for (size_t at = header_end; at < file.size();) {
        const size_t end = file.find("\r\n", at) + 2;
        rows.push_back(file.substr(at, end - at));
        at = end;
    }
    ASSERT_GT(rows.size(), 10u);
    Store store(db, Store::Mode::write, 5000, true);
    auto put_all_but = [&](size_t missing) {
        for (size_t i = rows.size(); i-- > 0;) {  // backwards: the worst order
            if (i != missing) {
                EXPECT_EQ(store.put_row("00000000000000dd", int64_t(i + 1), rows[i]), store::RowOutcome::added);
            }
        }
    };
    put_all_but(4);
    EXPECT_EQ(store.put_row("00000000000000dd", 2, rows[1]), store::RowOutcome::same);  // a retry
    std::string changed = rows[1];
    changed.replace(changed.find("P9"), 2, "P8");
    EXPECT_EQ(store.put_row("00000000000000dd", 2, changed), store::RowOutcome::conflict);
    EXPECT_EQ(store.connection().int_query("SELECT count(*) FROM journal_row_conflicts"), 1);
    store::RowsState st = store.rows_state("00000000000000dd");
    EXPECT_EQ(st.rows, int64_t(rows.size()) - 1);
    EXPECT_EQ(st.first_missing, 5);
    EXPECT_FALSE(st.complete());

    // what is known so far goes in with the next add, as an unfinished session ...
    EXPECT_EQ(store.unread_row_sessions(), std::vector<std::string>{"00000000000000dd"});
    AddSummary a = add({});
    EXPECT_EQ(a.added, 1);
    EXPECT_EQ(a.collected, 1);
    EXPECT_TRUE(store.unread_row_sessions().empty());  // the next add reads it only when a row arrives
    EXPECT_EQ(store.put_row("00000000000000dd", 2, changed), store::RowOutcome::conflict);
    EXPECT_TRUE(store.unread_row_sessions().empty());  // a body kept apart changes no session
    EXPECT_EQ(load()[0].sessions[0].ended_by, "unfinished");
    // ... and the missing row completes it: read again, the longer copy replaces it
    EXPECT_EQ(store.put_row("00000000000000dd", 5, rows[4]), store::RowOutcome::added);
    EXPECT_TRUE(store.rows_state("00000000000000dd").complete());
    EXPECT_EQ(store.journal_text("00000000000000dd", header), file);
    EXPECT_EQ(store.unread_row_sessions().size(), 1u);
    a = add({});
    EXPECT_EQ(a.replaced, 1);  // re-judged: the longer copy replaces the scoring of the shorter
    EXPECT_EQ(a.collected, 1);
    EXPECT_EQ(add({}).collected, 0);  // nothing new: nothing changes
    const std::vector<TestData> tests = load();
    ASSERT_EQ(tests[0].sessions.size(), 1u);
    EXPECT_EQ(tests[0].sessions[0].ended_by, "completed");
    EXPECT_EQ(tests[0].sessions[0].marks(), "++++++");
}

// A row of a few kilobytes (a long note), and other long bodies for it:
// each kept once, none lost, on either database (a key holds a hash of the
// body, never the body). A store whose conflicts were keyed by the body
// itself is brought over with them.
TEST_F(StoreTest, LongRowsAndTheirConflictsAreKept)
{
    auto body = [](char c) { return "3,12:00:01,note,," + std::string(20000, c) + "\r\n"; };
    {
        Store store(db, Store::Mode::write);
        EXPECT_EQ(store.put_row("00000000000000ee", 1, body('a')), store::RowOutcome::added);
        EXPECT_EQ(store.put_row("00000000000000ee", 1, body('a')), store::RowOutcome::same);
        EXPECT_EQ(store.put_row("00000000000000ee", 1, body('b')), store::RowOutcome::conflict);
        EXPECT_EQ(store.put_row("00000000000000ee", 1, body('b')), store::RowOutcome::conflict);
        EXPECT_EQ(store.put_row("00000000000000ee", 1, body('c')), store::RowOutcome::conflict);
        EXPECT_EQ(store.journal_text("00000000000000ee", "H\r\n"), "H\r\n" + body('a'));
        EXPECT_EQ(count("journal_row_conflicts"), 2);

        // the tables as the store version 2 had them, with one conflict in it
        store::Connection &c = store.connection();
        c.exec("DROP TABLE calibrations; DROP TABLE participant_attributes; DROP TABLE attribute_columns");
        c.exec("DROP TABLE journal_row_conflicts; CREATE TABLE journal_row_conflicts (session TEXT NOT NULL, "
               "row_number INTEGER NOT NULL, body TEXT NOT NULL, PRIMARY KEY (session, row_number, body))");
        c.exec("INSERT INTO journal_row_conflicts VALUES ('00000000000000ee', 1, 'short')");
        store::write_mark(c, store::application_id, 2);
    }
    Store store(db, Store::Mode::write);
    EXPECT_EQ(store.put_row("00000000000000ee", 1, body('d')), store::RowOutcome::conflict);
    EXPECT_EQ(store.connection().int_query("SELECT count(*) FROM journal_row_conflicts WHERE body_sha256 = '" +
                                           store::body_sha256("short") + "'"),
              1);
    EXPECT_EQ(count("journal_row_conflicts"), 2);
    EXPECT_EQ(count("participant_attributes"), 0);  // made by the update
    EXPECT_EQ(store::body_sha256("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
}

// Participants' attributes: types inferred from every value held, a second
// import updates (an empty cell removes a value), forget takes them too,
// and tables a spreadsheet program mangled are refused whole.
TEST_F(StoreTest, ParticipantAttributesAreImportedUpdatedAndForgotten)
{
    const std::string first = "\xEF\xBB\xBFparticipant,age,born,sex,school year\r\n"
                              "P1,17,2009-03-01,f,11\r\nP2,34,1992-12-31,m,\r\n\"P3\",\"8\",2018-01-09,f,2\r\n";
    ParticipantTable t = read_participant_table("people.csv", first);
    ASSERT_EQ(t.columns, (std::vector<std::string>{"age", "born", "sex", "school year"}));
    store::AttributesPut r = Store(db, Store::Mode::write).put_attributes(t.columns, t.rows);
    EXPECT_EQ(r.added, 3);
    ASSERT_EQ(r.columns.size(), 4u);
    EXPECT_EQ(r.columns[0].type, store::AttributeType::number);
    EXPECT_EQ(r.columns[1].type, store::AttributeType::date);
    EXPECT_EQ(r.columns[2].type, store::AttributeType::text);

    // again, with one age changed, one removed and a new column: the age column turns to text
    t = read_participant_table("people.csv", "id,age,group\nP1,17,A\nP2,,B\nP4,unknown,A\n");
    r = Store(db, Store::Mode::write).put_attributes(t.columns, t.rows);
    EXPECT_EQ(r.added, 1);
    EXPECT_EQ(r.updated, 2);
    EXPECT_EQ(r.columns[0].type, store::AttributeType::text);
    store::Attributes a = Store(db, Store::Mode::read).load_attributes();
    ASSERT_EQ(a.columns.size(), 5u);
    EXPECT_EQ(a.columns[4].name, "group");
    EXPECT_EQ(a.of["P1"]["born"], "2009-03-01");
    EXPECT_EQ(a.of["P2"].count("age"), 0u);
    EXPECT_EQ(a.of["P3"]["age"], "8");

    const store::ForgetResult f = Store(db, Store::Mode::write).forget_participant("P1");
    EXPECT_EQ(f.attributes, 5);
    a = Store(db, Store::Mode::read).load_attributes();
    EXPECT_EQ(a.of.count("P1"), 0u);
    EXPECT_EQ(a.of.size(), 3u);

    const auto refusal = [](const std::string &bytes) {
        try {
            read_participant_table("people.csv", bytes);
        } catch (const Error &e) {
            return std::string(e.what());
        }
        return std::string("accepted");
    };
    EXPECT_NE(refusal("name,age\nP1,3\n").find("people.csv:1: no participant ID column"), std::string::npos);
    EXPECT_NE(refusal("id;age\nP1;3\n").find("separated by semicolons"), std::string::npos);
    EXPECT_NE(refusal("id,age\nP1,3\nP2,4\nP1,5\n").find("people.csv:4: participant P1 again (first on line 2)"),
              std::string::npos);
    EXPECT_NE(refusal("id,town\nP1,\xCC\xEE\xF1\xEA\xE2\xE0\n").find("people.csv:2: not UTF-8 (byte 0xCC)"),
              std::string::npos);
    EXPECT_NE(refusal("id,age\nP1,3,4\n").find("nothing was imported"), std::string::npos);
}

// A lab moving its store to another database keeps everything: the results
// and a collecting server's studies (with their archives), rows kept and
// their conflicts, the quarantine, researchers, logins, push tokens and
// audit log. SQLite to the test's store (PostgreSQL in the store stage)
// and back to SQLite: every table equal, and new rows numbered after the
// copied ones.
TEST_F(StoreTest, CopyCarriesEveryTableThereAndBack)
{
    if (!fs::exists(SAMPLE_ARCHIVE))
        GTEST_SKIP() << "no sample archive";
    const std::string first = path("first.db"), back = path("back.db"), archive = read_file(SAMPLE_ARCHIVE);
    const std::string key = "0123456789abcdef0123456789abcdef";
    const int64_t now = 1'800'000'000;
    {
        Store a(first, Store::Mode::write, 5000, true);
        journal("j/S0000001.CSV", plan("00000000000000c1", "P1", all_right));
        add_inputs(a, {SAMPLE_ARCHIVE, path("j")}, {}, out, err);
        const ParticipantTable people = read_participant_table("people.csv", "id,age\nP1,17\n");
        a.put_attributes(people.columns, people.rows);
        a.put_calibration("a1b2c3d4", a.test_fingerprint("a1b2c3d4"), "figures");
        EXPECT_EQ(a.put_row("00000000000000c2", 1, "a row\r\n"), store::RowOutcome::added);

        store::Collector c(a);
        c.add_study({key, "Pilot", "a1b2c3d4", int64_t(archive.size()), true, now}, archive);
        auto arriving = [&](int64_t row, const std::string &body) {
            store::RowRequest r;
            r.row.study_key = key;
            r.row.session = "00000000000000c3";
            r.row.participant = "P2";
            r.row.event = "item_shown";
            r.row.row = row;
            r.row.body = body;
            r.row.now = now;
            r.row.max_rows = 100;
            return r;
        };
        store::RowRequest kept = arriving(1, "first\r\n"), other = arriving(1, "other\r\n"),
                          refused = arriving(2, "bad");
        refused.refused = "no CR LF";
        refused.quarantine = {0, now, key, "127.0.0.1", "", "session=00000000000000c3&row=2", std::string("b\0\xFF", 3)};
        c.put_rows({&kept, &other, &refused});
        EXPECT_EQ(other.arrival, store::Arrival::conflict);
        EXPECT_EQ(refused.arrival, store::Arrival::refused);
        EXPECT_TRUE(c.add_researcher("anna", "$argon2id$v=19$m=65536,t=2,p=1$c2FsdA$aGFzaA", now));
        c.add_login(std::string(64, 'a'), "anna", "csrf-token", now + 3600);
        EXPECT_TRUE(c.add_push_token(std::string(64, 'b'), "anna", now, now + 86400));
        EXPECT_TRUE(c.put_result_file({key, "00000000000000c4", "P3", "P3.TXT", std::string("r\0\xFF", 3), now, "anna"}));
        c.audit(now, "anna", "download", "rows.csv");
    }
    {
        Store a(first, Store::Mode::read), middle(db, Store::Mode::write);
        store::copy_store(a, middle);
    }
    {
        Store middle(db, Store::Mode::read), c(back, Store::Mode::write);
        store::copy_store(middle, c);
    }

    // every table of the store, found in its catalog (not the copy's own list)
    Store a(first, Store::Mode::read), c(back, Store::Mode::write);
    auto tables = a.connection().prepare("SELECT name FROM sqlite_master WHERE type = 'table' ORDER BY name");
    int compared = 0;
    while (tables->step()) {
        const std::string t = tables->text(0);
        const int64_t n = a.connection().int_query("SELECT count(*) FROM " + t);
        EXPECT_GT(n, 0) << t << ": this test leaves no table empty";
        if (t == "calibrations") {  // derived: made again by the next reader
            EXPECT_EQ(c.connection().int_query("SELECT count(*) FROM " + t), 0);
            continue;
        }
        if (t == "rows_unread") {  // every collected session is read again once after a copy
            EXPECT_EQ(c.connection().int_query("SELECT count(*) FROM " + t),
                      c.connection().int_query("SELECT count(DISTINCT session) FROM journal_rows"));
            continue;
        }
        EXPECT_EQ(store::table_rows(a, t), store::table_rows(c, t)) << t;
        EXPECT_EQ(c.connection().int_query("SELECT count(*) FROM " + t), n) << t;
        compared++;
    }
    EXPECT_GE(compared, 15);

    // what a server reads through the copy
    store::Collector copied(c);
    ASSERT_TRUE(copied.study(key));
    EXPECT_EQ(copied.archive(key), archive);
    EXPECT_EQ(copied.password_hash("anna").value_or(""), "$argon2id$v=19$m=65536,t=2,p=1$c2FsdA$aGFzaA");
    EXPECT_EQ(copied.login(std::string(64, 'a'), now).value_or(store::Login{}).csrf, "csrf-token");
    const auto token = copied.push_token(std::string(64, 'b'));
    ASSERT_TRUE(token);
    EXPECT_EQ(token->researcher, "anna");
    EXPECT_EQ(token->expires, now + 86400);
    ASSERT_EQ(copied.result_files(key).size(), 1u);
    EXPECT_EQ(copied.result_files(key)[0].bytes, std::string("r\0\xFF", 3));
    ASSERT_EQ(copied.quarantined(10).size(), 1u);
    EXPECT_EQ(copied.quarantined(10)[0].body, std::string("b\0\xFF", 3));
    EXPECT_EQ(copied.sessions(key).size(), 1u);
    // new entries are numbered after the copied ones, in both copies
    for (const std::string &store : {back, db}) {
        Store s(store, Store::Mode::write);
        store::Collector(s).audit(now + 1, "anna", "download", "sessions.csv");
        EXPECT_EQ(store::Collector(s).audit_log(10).size(), 3u);  // the token made, the download, this one
    }
}
