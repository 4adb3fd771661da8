// meridoka-report as a researcher runs it: add, csv and html on journals of
// the sample test, damaged input, help; and round trips through headless
// runs of the sample test, whose result files must agree with the scores.
#include "report/csv.h"
#include "report/archive_items.h"
#include "tools/report/tests/report_support.h"

#include "host/archive_file.h"
#include "host/tables.h"
#include "store/store.h"

#include <map>
#include <regex>

using namespace report_test;

namespace {

const std::string tool = REPORT_BINARY;

// A CSV table written by the tool: its rows as column -> value maps.
std::vector<std::map<std::string, std::string>> read_table(const std::string &file)
{
    const std::string text = read_file(file);
    EXPECT_EQ(text.substr(0, 3), "\xEF\xBB\xBF") << file;
    report::CsvReader reader(std::string_view(text).substr(3));
    report::CsvRow row;
    std::vector<std::string> header;
    std::vector<std::map<std::string, std::string>> rows;
    while (reader.next(row)) {
        EXPECT_TRUE(row.ended) << file;
        if (header.empty()) {
            header.assign(row.fields.begin(), row.fields.end());
            continue;
        }
        EXPECT_EQ(row.fields.size(), header.size()) << file << " line " << row.line;
        std::map<std::string, std::string> r;
        for (size_t i = 0; i < header.size() && i < row.fields.size(); i++)
            r[header[i]] = row.fields[i];
        rows.push_back(r);
    }
    return rows;
}

struct Totals {
    int right = -1, wrong = -1, answered = -1, items = -1;
};

Totals totals_of(const std::string &result_file)
{
    Totals t;
    std::smatch m;
    const std::string text = read_file(result_file);
    if (std::regex_search(text, m, std::regex(R"( (\d+)\(\+\) (\d+)\(-\) \((\d+)/(\d+)\)\r\n$)")))
        t = {std::stoi(m[1]), std::stoi(m[2]), std::stoi(m[3]), std::stoi(m[4])};
    return t;
}

class Command : public Scratch {};

}  // namespace

TEST_F(Command, HelpExplainsEachCommandWithAnExample)
{
    const Ran top = run(tool + " --help");
    EXPECT_EQ(top.status, 0);
    EXPECT_NE(top.out.find("meridoka-report add results.db"), std::string::npos) << top.out;
    for (const char *command : {"add", "csv", "html"}) {
        const Ran r = run(tool + " " + command + " --help");
        EXPECT_EQ(r.status, 0) << command;
        EXPECT_NE(r.out.find(std::string("meridoka-report ") + command + " results.db"), std::string::npos)
            << r.out;
    }
    EXPECT_NE(run(tool + " --version").out.find("meridoka-report " MERIDOKA_VERSION), std::string::npos);
    EXPECT_NE(run(tool).status, 0);
}

TEST_F(Command, AddCsvAndHtmlOnJournalsOfTheSampleTest)
{
    // forty simulated sessions of the sample test, over two PCs
    const std::string archive = read_file(SAMPLE_ARCHIVE);
    ASSERT_FALSE(archive.empty());
    const report::sim::SimTest test = report::sim::test_from_definition(
        report::read_test_definition(archive, "MERIDOKA.WDL"), 3);
    report::sim::Random rng(3);
    report::sim::Population pop;
    pop.esc_share = pop.stopped_share = pop.resumed_share = 0.1;
    std::map<std::string, int> right_of;  // by session ID
    for (int i = 0; i < 40; i++) {
        const report::sim::SessionPlan p = report::sim::plan_session(test, pop, rng, i + 1);
        char name[32];
        std::snprintf(name, sizeof name, "pc%d/S%07d.CSV", i % 2 + 1, i / 2 + 1);
        write_file(path(name), report::sim::write_journal(test, p));
        int right = 0;
        for (size_t k = 0; k < p.steps.size(); k++)
            right += report::sim::cell_of_digit(test.items[k].cells, p.steps[k].digit) == test.items[k].correct_cell;
        right_of[p.start.session_id] = right;
    }
    write_file(path("pc1/MERIDOKA.WDL"), archive);

    const std::string store = quoted(new_store(path("results.db")));
    Ran add = run(tool + " add " + store + " " + quoted(path("pc1")) + " " + quoted(path("pc2")));
    EXPECT_EQ(add.status, 0) << add.out;
    EXPECT_NE(add.out.find("41 files: 40 sessions added, 1 archive"), std::string::npos) << add.out;
    add = run(tool + " add " + store + " " + quoted(path("pc1")) + " " + quoted(path("pc2")));
    EXPECT_NE(add.out.find("41 files: 0 sessions added, 40 already in the store, 1 archive"), std::string::npos)
        << add.out;

    const Ran csv = run(tool + " csv " + store + " -o " + quoted(path("tables")));
    ASSERT_EQ(csv.status, 0) << csv.out;
    const auto tests = read_table(path("tables/tests.csv"));
    ASSERT_EQ(tests.size(), 1u);
    EXPECT_EQ(tests[0].at("items"), "27");
    EXPECT_EQ(tests[0].at("item_table"), "archive");
    EXPECT_EQ(tests[0].at("sessions"), "40");
    EXPECT_EQ(tests[0].at("rasch"), "fitted");
    const auto sessions = read_table(path("tables/sessions.csv"));
    ASSERT_EQ(sessions.size(), 40u);
    int ended_early = 0;
    for (const auto &s : sessions) {
        EXPECT_EQ(std::stoi(s.at("score")), right_of.at(s.at("session"))) << s.at("session");
        EXPECT_FALSE(s.at("ability").empty());  // all-right and all-wrong sessions too
        ended_early += s.at("ended_by") != "completed";
    }
    EXPECT_GT(ended_early, 0);
    const auto items = read_table(path("tables/items.csv"));
    ASSERT_EQ(items.size(), 27u);
    EXPECT_EQ(items[0].at("training"), "1");
    EXPECT_EQ(items[0].at("rasch_b"), "");  // training items stay out of the analysis
    EXPECT_EQ(items[0].at("cells"), "2 4 5 6 8 9");
    EXPECT_EQ(items[0].at("share_cell1"), "");  // no answer cell there
    EXPECT_FALSE(items[5].at("rasch_b").empty());
    EXPECT_EQ(read_table(path("tables/responses.csv")).size(), 40u * 27u);

    const Ran html = run(tool + " html " + store + " -o " + quoted(path("report.html")));
    ASSERT_EQ(html.status, 0) << html.out;
    const std::string page = read_file(path("report.html"));
    const std::string id = "test-" + test.archive_crc32;
    for (const char *section : {"-scores", "-difficulty", "-wright", "-times", "-flags", "-items", "-sessions"})
        EXPECT_NE(page.find("id=\"" + id + section + "\""), std::string::npos) << section;
    EXPECT_EQ(page.find("<script"), std::string::npos);
    EXPECT_EQ(page.find("src=\""), std::string::npos);  // nothing fetched
    EXPECT_EQ(page.find("href=\"http"), std::string::npos);
}

TEST_F(Command, TablesNeverHandASpreadsheetAFormula)
{
    // participant IDs a spreadsheet would run; the abilities beside them stay numbers
    const report::sim::SimTest test = small_test();
    const char *ids[] = {"=1+2", "+SUM(A1)", "-3+4", "@cmd", "P5", "P6"};
    const char *right[] = {"100", "010", "001", "110", "011", "101"};  // of the scored items: every score 1 or 2
    auto digit = [&](int item, bool is_right) {  // the digit picking the right cell, or another one
        for (int d = 1; d <= 9; d++) {
            const int cell = report::sim::cell_of_digit(test.items[size_t(item)].cells, d);
            if (cell > 0 && (cell == test.items[size_t(item)].correct_cell) == is_right)
                return d;
        }
        return 0;
    };
    for (int i = 0; i < 6; i++) {
        char name[32], session[17];
        std::snprintf(name, sizeof name, "pc/S%07d.CSV", i + 1);
        std::snprintf(session, sizeof session, "00000000000000f%d", i);
        std::vector<int> digits;
        for (int k = 0; k < 6; k++)
            digits.push_back(digit(k, k < 3 || right[i][k - 3] == '1'));
        write_file(path(name), report::sim::write_journal(test, plan(session, ids[i], digits)));
    }
    const std::string store = quoted(new_store(path("results.db")));
    ASSERT_EQ(run(tool + " add " + store + " " + quoted(path("pc"))).status, 0);
    ASSERT_EQ(run(tool + " csv " + store + " -o " + quoted(path("tables"))).status, 0);
    std::map<std::string, std::string> ability;  // participant cell -> ability cell
    for (const auto &s : read_table(path("tables/sessions.csv")))
        ability[s.at("participant")] = s.at("ability");
    for (const char *id : {"'=1+2", "'+SUM(A1)", "'-3+4", "'@cmd", "P5", "P6"})
        EXPECT_EQ(ability.count(id), 1u) << id;
    bool negative = false;
    for (const auto &[id, a] : ability)
        negative |= !a.empty() && a[0] == '-' && std::stod(a) < 0;  // a plain number, not made text
    EXPECT_TRUE(negative) << read_file(path("tables/sessions.csv"));
    for (const auto &r : read_table(path("tables/responses.csv")))
        EXPECT_TRUE(r.at("participant")[0] == '\'' || r.at("participant")[0] == 'P') << r.at("participant");
}

TEST_F(Command, ClearMessagesAndStatusesForBadInput)
{
    write_file(path("in/S0000001.CSV"), "not,a,journal\r\n");
    Ran r = run(tool + " add " + quoted(path("r.db")) + " " + quoted(path("in")) + " " + quoted(path("missing")));
    EXPECT_EQ(r.status, 2) << r.out;
    EXPECT_NE(r.out.find("in/S0000001.CSV:1: a CSV file, but not a session journal"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("missing: no such file or folder"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("2 skipped"), std::string::npos) << r.out;

    write_file(path("notes.txt"), "my notes\n");
    r = run(tool + " html " + quoted(path("notes.txt")) + " -o " + quoted(path("x.html")));
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find("is not an SQLite database"), std::string::npos) << r.out;
    r = run(tool + " csv " + quoted(path("nothing.db")) + " -o " + quoted(path("t")));
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find("does not exist"), std::string::npos) << r.out;
    r = run(tool + " add " + quoted(path("nothing.db")));
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find("add needs files or folders"), std::string::npos) << r.out;

    // a store made by the previous version: csv says to run add once, and add with no files does it
    store::Store(path("r.db"), store::Store::Mode::write)
        .connection()
        .exec("DROP TABLE calibrations; DROP TABLE participant_attributes; DROP TABLE attribute_columns; "
              "PRAGMA user_version = 3");
    r = run(tool + " csv " + quoted(path("r.db")) + " -o " + quoted(path("t")));
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find("run meridoka-report add on it once (with no files)"), std::string::npos) << r.out;
    r = run(tool + " add " + quoted(path("r.db")));
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find("the store is up to date"), std::string::npos) << r.out;
    r = run(tool + " csv " + quoted(path("r.db")) + " -o " + quoted(path("t")));
    EXPECT_EQ(r.status, 0) << r.out;
}

// The sample test taken in the headless runner with the scenarios: every
// session's score in the store equals the totals of the result file the
// runner wrote. Journals the runner writes go in too; until it writes them,
// the result files themselves are the input.
TEST_F(Command, RoundTripThroughHeadlessRunsOfTheSampleTest)
{
    const std::string store = quoted(new_store(path("results.db")));
    ASSERT_EQ(run(tool + " add " + store + " " + quoted(SAMPLE_ARCHIVE)).status, 0);
    std::map<std::string, Totals> expected;  // by run folder
    int journals = 0;
    for (const char *scenario : {"all-right", "mixed", "esc-early"}) {
        const std::string run_dir = path(std::string("runs/") + scenario);
        fs::create_directories(run_dir);
        fs::copy_file(SAMPLE_ARCHIVE, run_dir + "/MERIDOKA.WDL");
        const Ran taken = run(std::string(HEADLESS_BINARY) + " --dir " + quoted(run_dir) + " " +
                              quoted(std::string(SAMPLE_SCENARIOS) + "/" + scenario + ".scn"));
        ASSERT_EQ(taken.status, 0) << taken.out;
        expected[run_dir] = totals_of(run_dir + "/RESULT-W.TXT");
        ASSERT_GT(expected[run_dir].answered, 0) << scenario;
        for (const auto &f : fs::directory_iterator(run_dir))
            journals += f.path().extension() == ".CSV";
        // the folder: its journals, or else its result file, the participant named after the folder
        const Ran add = run(tool + " add " + store + " " + quoted(run_dir));
        EXPECT_EQ(add.status, 0) << add.out;
    }
    ASSERT_EQ(run(tool + " csv " + store + " -o " + quoted(path("tables"))).status, 0);
    const auto sessions = read_table(path("tables/sessions.csv"));
    ASSERT_EQ(sessions.size(), 3u);
    for (const auto &s : sessions) {
        const std::string folder = fs::path(s.at("file")).parent_path().string();
        ASSERT_TRUE(expected.count(folder)) << s.at("file");
        const Totals &t = expected[folder];
        EXPECT_EQ(std::stoi(s.at("score")), t.right) << folder;
        EXPECT_EQ(std::stoi(s.at("wrong")), t.wrong) << folder;
        EXPECT_EQ(std::stoi(s.at("answered")), t.answered) << folder;
        EXPECT_EQ(std::stoi(s.at("items")), t.items) << folder;
        EXPECT_EQ(s.at("source"), journals ? "journal" : "result_file");
    }
    if (!journals)
        std::cout << "[ note ] the runner writes no journals yet: the round trip went through its result files\n";
}

// Every CP866 byte in the item texts, through the runner's journal and back
// through the report: the runner writes each byte as the character the
// report reads it as, so the journals match the archive they were taken with.
TEST_F(Command, ItemTextsWithEveryByteComeBackAsTheArchiveHasThem)
{
    const std::string sample = read_file(SAMPLE_ARCHIVE);
    const std::vector<uint8_t> bytes(sample.begin(), sample.end());
    std::vector<host::Resource> resources;
    for (const host::StoredEntry &e : host::read_archive(bytes, "MERIDOKA.WDL"))
        resources.push_back({e.name, e.data});
    host::Resource &table = resources[0];
    ASSERT_EQ(table.name, "TESTINFO");
    std::vector<host::Item> items = host::decode_testinfo(table.data, "MERIDOKA.WDL");
    ASSERT_GE(items.size(), 4u);
    // bytes 1..255 over the first three items (the zero byte ends a text)
    for (int code = 1; code < 256; code++)
        items[size_t((code - 1) / 100)].text += char(code);
    table.data = host::encode_testinfo(items);
    const std::vector<uint8_t> archive = host::write_archive(resources);

    const std::string run_dir = path("run");
    fs::create_directories(run_dir);
    write_file(run_dir + "/MERIDOKA.WDL", std::string(archive.begin(), archive.end()));
    const Ran taken =
        run(std::string(HEADLESS_BINARY) + " --dir " + quoted(run_dir) + " " + quoted(SAMPLE_SCENARIOS "/mixed.scn"));
    ASSERT_EQ(taken.status, 0) << taken.out;
    int journals = 0;
    for (const auto &f : fs::directory_iterator(run_dir))
        journals += f.path().extension() == ".CSV";
    ASSERT_EQ(journals, 1);

    // the result file is plain lines, which a line break in an item text splits: the journal alone
    fs::remove(run_dir + "/RESULT-W.TXT");
    const std::string store = quoted(path("results.db"));
    const Ran add_test = run(tool + " add " + store + " " + quoted(run_dir + "/MERIDOKA.WDL"));
    ASSERT_EQ(add_test.status, 0) << add_test.out;
    const Ran add = run(tool + " add " + store + " " + quoted(run_dir));
    EXPECT_EQ(add.status, 0) << add.out;
    ASSERT_EQ(run(tool + " csv " + store + " -o " + quoted(path("tables"))).status, 0);
    EXPECT_EQ(read_table(path("tables/sessions.csv")).size(), 1u);
}
