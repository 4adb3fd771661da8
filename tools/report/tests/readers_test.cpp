// Reading the inputs: CSV rows, session journals (complete, ended early,
// resumed, cut short, damaged) and the runner's plain result files.
#include "report/csv.h"
#include "report/error.h"
#include "report/journal.h"
#include "report/journal_format.h"
#include "report/result_sheet.h"
#include "tools/report/tests/report_support.h"

#include <algorithm>
#include <regex>

using namespace report;
using report_test::plan;
using report_test::small_test;

namespace {

struct Row {  // a CsvRow with its fields copied out of the reader's buffers
    std::vector<std::string> fields;
    int line;
    bool ended, bad_quote;
};

std::vector<Row> rows_of(std::string_view text)
{
    CsvReader reader(text);
    std::vector<Row> rows;
    CsvRow row;
    while (reader.next(row))
        rows.push_back({{row.fields.begin(), row.fields.end()}, row.line, row.ended, row.bad_quote});
    return rows;
}

std::string error_of(std::string_view journal)
{
    std::vector<std::string> warnings;
    try {
        parse_journal(journal, "S0000001.CSV", warnings);
    } catch (const Error &e) {
        return e.what();
    }
    return "";
}

// The journal with line `line` (1-based) replaced.
std::string with_line(const std::string &journal, int line, const std::string &replacement)
{
    size_t begin = 0;
    for (int l = 1; l < line; l++)
        begin = journal.find('\n', begin) + 1;
    const size_t end = journal.find('\n', begin) + 1;
    return journal.substr(0, begin) + replacement + "\r\n" + journal.substr(end);
}

std::string line_of(const std::string &journal, int line)
{
    size_t begin = 0;
    for (int l = 1; l < line; l++)
        begin = journal.find('\n', begin) + 1;
    return journal.substr(begin, journal.find('\r', begin) - begin);
}

}  // namespace

TEST(CsvReader, FieldsQuotesAndLineEnds)
{
    const std::vector<Row> rows = rows_of("a,,c\r\n\"x, y\",\"say \"\"hi\"\"\",\"two\r\nlines\"\r\nlast,row");
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].fields, (std::vector<std::string>{"a", "", "c"}));
    EXPECT_TRUE(rows[0].ended);
    EXPECT_EQ(rows[1].fields, (std::vector<std::string>{"x, y", "say \"hi\"", "two\r\nlines"}));
    EXPECT_EQ(rows[1].line, 2);
    EXPECT_FALSE(rows[1].bad_quote);
    EXPECT_EQ(rows[2].line, 4);  // the quoted line break counts
    EXPECT_FALSE(rows[2].ended);  // no line end: a row cut short

    EXPECT_FALSE(rows_of("a,\"open")[0].ended);
    EXPECT_FALSE(rows_of("a,b\r")[0].ended);
    EXPECT_EQ(rows_of("a,b\r")[0].fields[1], "b");
    EXPECT_TRUE(rows_of("a\"b,c\r\n")[0].bad_quote);
    EXPECT_TRUE(rows_of("\"a\"x,c\r\n")[0].bad_quote);
    EXPECT_TRUE(rows_of("a\rb,c\r\n")[0].bad_quote);

    std::string out;
    for (std::string_view f : {"plain", "with,comma", "q\"uote", "line\nbreak"}) {
        append_csv_field(out, f);
        out += ',';
    }
    EXPECT_EQ(out, "plain,\"with,comma\",\"q\"\"uote\",\"line\nbreak\",");
}

TEST(Journal, CompleteSessionGivesEveryAnswerAndWhatItTellsOfTheItems)
{
    sim::SessionPlan p = plan("00000000000000a1", "P017", {5, 1, 9, 2, 1, 7});
    p.steps[0].refused = {3};     // a refusal on training item 1
    p.steps[3].withdrawn = {4};   // item 4: a preview taken back first
    const std::string journal = sim::write_journal(small_test(), p);
    std::vector<std::string> warnings;
    const Session s = parse_journal(journal, "S0000001.CSV", warnings);
    EXPECT_TRUE(warnings.empty());
    EXPECT_EQ(s.session_id, "00000000000000a1");
    EXPECT_EQ(s.participant, "P017");
    EXPECT_EQ(s.archive_crc32, "a1b2c3d4");
    EXPECT_EQ(s.archive_bytes, 4321);
    EXPECT_EQ(s.items, 6);
    EXPECT_EQ(s.build, "headless");
    EXPECT_EQ(s.ended_by, "completed");
    EXPECT_EQ(s.started, "2026-12-08T10:15:02");
    ASSERT_EQ(s.responses.size(), 6u);
    EXPECT_EQ(s.marks(), "++++-+");  // item 5: digit 1 is cell 1, not the correct cell 3
    const Response &first = s.responses[0];
    EXPECT_EQ(first.refusals, 1);
    EXPECT_EQ(first.previews, 2);  // the refused answer and the confirmed one
    EXPECT_EQ(first.rt_ms, 1500);
    EXPECT_EQ(first.first_digit_ms, 700);
    EXPECT_EQ(s.responses[3].previews, 2);
    EXPECT_EQ(s.responses[4].cell, 1);
    EXPECT_EQ(s.responses[4].correct_cell, 3);
    EXPECT_FALSE(s.responses[4].right);
    EXPECT_EQ(s.journal_rows, int(std::count(journal.begin(), journal.end(), '\n')) - 1);
    ASSERT_EQ(s.items_seen.size(), 6u);
    EXPECT_EQ(s.items_seen[4].text, "Item 5, \"odd\"");
    EXPECT_EQ(s.items_seen[4].correct_cell, 3);
    EXPECT_EQ(s.items_seen[0].cells, (1u << 4) | (1u << 2));  // cells 5 (right) and 3 (refused)
    EXPECT_GT(s.total_ms, 6 * 1500);
}

TEST(Journal, SessionsEndedEarlyResumedOrCutShort)
{
    const sim::SimTest test = small_test();
    std::vector<std::string> warnings;

    const Session esc = parse_journal(sim::write_journal(test, plan("00000000000000a2", "", {5, 1, 9, 3}, "esc")),
                                      "S0000002.CSV", warnings);
    EXPECT_EQ(esc.ended_by, "esc");
    EXPECT_EQ(esc.marks(), "+++-");
    EXPECT_EQ(esc.participant, "");

    sim::SessionPlan resumed = plan("00000000000000a3", "P1", {5, 1, 9, 2, 2, 7});
    resumed.resume_after = 4;   // the program stopped on item 5 mid-row, and was resumed there
    resumed.cut_row_keep = 30;
    const Session r = parse_journal(sim::write_journal(test, resumed), "S0000003.CSV", warnings);
    EXPECT_EQ(r.resumes, 1);
    EXPECT_EQ(r.ended_by, "completed");
    EXPECT_EQ(r.marks(), "++++++");
    EXPECT_TRUE(warnings.empty());  // the resuming run dropped the cut row itself

    sim::SessionPlan stopped = plan("00000000000000a4", "P1", {5, 1, 9, 2}, "");
    stopped.cut_row_keep = 25;
    const std::string journal = sim::write_journal(test, stopped);
    const Session u = parse_journal(journal, "S0000004.CSV", warnings);
    EXPECT_EQ(u.ended_by, "unfinished");
    EXPECT_EQ(u.marks(), "++++");
    ASSERT_EQ(warnings.size(), 1u);
    const int last_line = int(std::count(journal.begin(), journal.end(), '\n')) + 1;
    EXPECT_EQ(warnings[0], "S0000004.CSV:" + std::to_string(last_line) +
                               ": cut last row of 25 bytes dropped (the session stopped while writing it)");
    EXPECT_EQ(u.note, "cut last row of 25 bytes dropped");
}

TEST(Journal, DamageIsReportedWithFileAndLine)
{
    const std::string good = sim::write_journal(small_test(), plan("00000000000000a5", "P2", {5, 1, 9, 2, 2, 7}));
    EXPECT_EQ(error_of(good), "");
    // line 1 header, 2 session_start, 3 item_shown 1, 4 previewed, 5 confirmed, 6 item_shown 2 ...
    EXPECT_EQ(error_of(with_line(good, 5, line_of(good, 5) + ",extra")),
              "S0000001.CSV:5: 28 fields; a journal row has 27");
    const std::string confirmed = line_of(good, 5);
    EXPECT_NE(error_of(with_line(good, 5, confirmed.substr(0, confirmed.find("answer_confirmed")) + "answer_guessed" +
                                              confirmed.substr(confirmed.find("answer_confirmed") + 16)))
                  .find("S0000001.CSV:5: unknown event 'answer_guessed'"),
              std::string::npos);
    // the clock never goes back: item 1 shown at 9999 ms, its preview at 950 ms
    std::string shown = line_of(good, 3);
    shown.replace(shown.find(",250,"), 5, ",9999,");
    EXPECT_NE(error_of(with_line(good, 3, shown)).find(":4: ms 950 goes back (the row before says 9999)"),
              std::string::npos);
    // an answer to an item that is not on screen
    std::string previewed = line_of(good, 4);
    previewed.replace(previewed.find("T10:15:02,1,"), 12, "T10:15:02,2,");
    EXPECT_NE(error_of(with_line(good, 4, previewed)).find(":4: answer_previewed for item 2, but item 1 is shown"),
              std::string::npos);
    // the totals of session_end must match the answers
    const int end_line = int(std::count(good.begin(), good.end(), '\n'));
    std::string end = line_of(good, end_line);
    end.replace(end.find("completed,6,0,6"), 15, "completed,5,1,6");
    EXPECT_NE(error_of(with_line(good, end_line, end)).find(":" + std::to_string(end_line) + ": session_end totals"),
              std::string::npos);
    EXPECT_EQ(error_of("\xEF\xBB\xBFid,name,score\r\n1,x,3\r\n"),
              "S0000001.CSV:1: a CSV file, but not a session journal: its first line is not the journal's header "
              "(session,participant,event,...)");
    EXPECT_EQ(error_of(std::string("\x89PNG\r\n\x1a\n\0\0", 10)),
              "S0000001.CSV:1: not a session journal (no journal header on the first line)");
    EXPECT_EQ(error_of(good.substr(0, good.find("\r\n") + 2)),
              "S0000001.CSV:1: no session_start row: the journal holds no session");
    EXPECT_TRUE(looks_like_journal(good));
    EXPECT_TRUE(looks_like_journal(good.substr(3)));  // without the byte-order mark
    EXPECT_FALSE(looks_like_journal("id,name\r\n"));
    EXPECT_TRUE(is_journal_name("S0000012.CSV"));
    EXPECT_TRUE(is_journal_name("s0000012.csv"));
    EXPECT_FALSE(is_journal_name("S000012.CSV"));
    EXPECT_FALSE(is_journal_name("S00000a2.CSV"));
}

TEST(ResultSheet, ReadsMarksTextsAndBothCodePages)
{
    // "Задание" in Windows-1251 and in CP866
    const std::string w = "\xC7\xE0\xE4\xE0\xED\xE8\xE5", d = "\x87\xA0\xA4\xA0\xAD\xA8\xA5";
    const std::string sheet_w = "Results\r\n\r\n+ | " + w + " 1\r\n- | " + w + " 2\r\n  | " + w +
                                " 3\r\n\r\nTotal: 1(+) 1(-) (2/3)\r\n";
    ASSERT_TRUE(looks_like_result_sheet(sheet_w));
    EXPECT_EQ(result_codepage("P17/RESULT-W.TXT", sheet_w), Codepage::cp1251);
    const ResultSheet s = parse_result_sheet(sheet_w, "RESULT-W.TXT", Codepage::cp1251);
    EXPECT_EQ(s.marks, "+-");
    ASSERT_EQ(s.texts.size(), 3u);
    EXPECT_EQ(s.texts[0], "Задание 1");

    std::string sheet_d = sheet_w;
    for (size_t at; (at = sheet_d.find(w)) != std::string::npos;)
        sheet_d.replace(at, w.size(), d);
    EXPECT_EQ(result_codepage("RESULT-D.TXT", sheet_d), Codepage::cp866);
    EXPECT_EQ(result_codepage("p17.txt", sheet_d), Codepage::cp866);  // guessed from the letters
    EXPECT_EQ(result_codepage("p17.txt", sheet_w), Codepage::cp1251);
    EXPECT_EQ(parse_result_sheet(sheet_d, "RESULT-D.TXT", Codepage::cp866).texts[2], "Задание 3");

    auto error_of_sheet = [](const std::string &bytes) {
        try {
            parse_result_sheet(bytes, "R.TXT", Codepage::cp1251);
        } catch (const Error &e) {
            return std::string(e.what());
        }
        return std::string();
    };
    EXPECT_EQ(error_of_sheet("R\r\n\r\n+ | a\r\n- | b\r\n\r\nT 2(+) 0(-) (2/2)\r\n"),
              "R.TXT:6: the totals say 2(+), the items show 1");
    EXPECT_EQ(error_of_sheet("R\r\n\r\n+ | a\r\n- | b\r\n\r\nT 1(+) 0(-) (1/2)\r\n"),
              "R.TXT:4: item marked, but the totals say it was not answered");
    EXPECT_EQ(error_of_sheet("R\r\n\r\n+ | a\r\n\r\nT 1(+) 0(-) (1/2)\r\n"),
              "R.TXT:5: the totals name 2 items, the file lists 1");
    EXPECT_EQ(error_of_sheet("just some text\r\n"),
              "R.TXT:1: not a result file: the last line does not end in the totals \"R(+) W(-) (A/N)\"");
}

// What happens to journals on their way: a spreadsheet saving them again in
// the PC's code page, and a browser session resumed after its window was
// closed, as a server receives it (every row the page sent, the session_end
// it took back included).
TEST(Journal, ReSavedInAnotherCodePageOrResumedInTheBrowser)
{
    sim::SimTest test = small_test();
    test.items[3].text = "Задание 4";
    const std::string good = sim::write_journal(test, plan("00000000000000a6", "P3", {5, 1, 9, 2, 2, 7}));
    // the same file after a spreadsheet's "save as CSV" on a Russian Windows: Windows-1251
    std::string resaved = good;
    const std::string word = "Задание", cp1251 = "\xC7\xE0\xE4\xE0\xED\xE8\xE5";
    for (size_t at = resaved.find(word); at != std::string::npos; at = resaved.find(word))
        resaved.replace(at, word.size(), cp1251);
    const size_t line = 1 + size_t(std::count(good.begin(), good.begin() + std::ptrdiff_t(good.find(word)), '\n'));
    const std::string e = error_of(resaved);
    EXPECT_EQ(e.find("S0000001.CSV:" + std::to_string(line) + ": not UTF-8 (byte 0xC7)"), 0u) << e;
    EXPECT_NE(e.find("spreadsheet"), std::string::npos);
    EXPECT_NE(e.find("Add the original file from the test PC"), std::string::npos);
    // a cut last row may end inside a character: dropped, not refused
    const std::string cut = good + "00000000000000a6,P3,item_shown,99999,2024-01-01T10:00:00,4,,,,,,,,\xD0";
    std::vector<std::string> warnings;
    EXPECT_EQ(error_of(cut), "");

    // closed after three items, then resumed in the browser: the page cut its session_end and went on
    sim::SessionPlan closed = plan("00000000000000a7", "P4", {5, 1, 9}, "closed");
    const std::string first = sim::write_journal(test, closed);
    sim::SessionPlan resumed = plan("00000000000000a7", "P4", {5, 1, 9, 2, 2, 7});
    resumed.resume_after = 3;
    const std::string later = sim::write_journal(test, resumed);
    const size_t interrupted = later.rfind("\r\n", later.find(",session_interrupted,")) + 2;
    std::string end_row = first.substr(first.rfind("\r\n", first.size() - 3) + 2);
    ASSERT_NE(end_row.find(",session_end,"), std::string::npos);
    // at the time of the interruption, which the resuming page writes with the last row's ms
    auto ms_field = [](const std::string &row) {
        const size_t a = row.find(',', row.find(',', row.find(',') + 1) + 1) + 1;
        return std::make_pair(a, row.find(',', a) - a);
    };
    const std::string interruption = later.substr(interrupted);
    const auto [at, length] = ms_field(end_row);
    const auto [i_at, i_length] = ms_field(interruption);
    end_row.replace(at, length, interruption.substr(i_at, i_length));
    const std::string received = later.substr(0, interrupted) + end_row + interruption;
    const Session s = parse_journal(received, "S0000007.CSV", warnings);
    EXPECT_EQ(s.ended_by, "completed");
    EXPECT_EQ(s.resumes, 1);
    EXPECT_EQ(s.marks(), "++++++");
    EXPECT_NE(s.note.find("session_end (closed) withdrawn on resuming"), std::string::npos);
    // a session_end that ended the test (completed, esc) is never taken back
    std::string after_esc = sim::write_journal(test, plan("00000000000000a8", "P5", {5, 1, 9}, "esc"));
    std::string again = line_of(later, int(std::count(later.begin(), later.begin() + std::ptrdiff_t(interrupted), '\n')) + 1);
    again.replace(0, 19, "00000000000000a8,P5");
    after_esc += again + "\r\n";
    EXPECT_NE(error_of(after_esc).find("a row after session_end"), std::string::npos) << error_of(after_esc);
}

// The journal's columns and events are the runner's (runner/journal_columns.h):
// the header this tool checks is the runner's own, and the page's script
// leaves the session rules to the module.
TEST(Journal, ColumnsAndEventsAreTheRunnersAndThePageKeepsNoCopyOfTheRules)
{
    EXPECT_EQ(column_names.size(), size_t(journal_columns));
    std::string header(utf8_bom);
    for (size_t i = 0; i < column_names.size(); i++)
        header += std::string(i ? "," : "") + std::string(column_names[i]);
    EXPECT_EQ(header + "\r\n", journal_header);
    EXPECT_EQ(column_names[col_archive_crc32], "archive_crc32");
    EXPECT_EQ(event_name(event_confirmed), "answer_confirmed");

    // the page judges a journal by the program's own rules (through the
    // module): its script keeps no copy of them, naming no event
    const std::string page = report_test::read_file(PAGE_JOURNAL_SCRIPT);
    ASSERT_FALSE(page.empty()) << PAGE_JOURNAL_SCRIPT;
    for (int e = event_session_start; e < journal_events; e++)
        EXPECT_EQ(page.find(std::string(event_name(JournalEvent(e)))), std::string::npos)
            << "the page's script names the event " << event_name(JournalEvent(e));
}
