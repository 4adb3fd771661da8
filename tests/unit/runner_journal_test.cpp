// The session journal of whole runs: every event byte for byte, exact
// response times on the simulated clock, quoting and UTF-8, file names and
// their numbering, and the runs that cannot keep their answers (status 3).
#include <iconv.h>

#include "base/crc32.h"
#include "base/decimal.h"
#include "journal_support.h"

using namespace journal_support;

namespace {

class Journal : public ScratchDir {};

// Four items: texts that need quoting and CP866 letters; answers 1, 2, 1, 2.
TestSetup quoting_test()
{
    TestSetup setup;
    setup.items = standard_items(4);
    setup.items[0].text = "One, \"two\"";
    setup.items[1].text = "\x92\xa5\xe1\xe2 \xf1";  // "Тест ё" in CP866
    return setup;
}

// "size,crc" of the archive in the working folder, as session_start has them.
std::string archive_fields()
{
    Bytes archive = read_file("MERIDOKA.WDL");
    char crc[9];
    *format_hex(crc, crc32_update(0, archive.data(), uint32_t(archive.size())), 8) = 0;
    return std::to_string(archive.size()) + "," + crc;
}

TEST_F(Journal, EveryEventByteForByte)
{
    write_test(quoting_test());
    // item 1: a wrong answer refused, the popup's key, a preview taken back
    // by a key and one by a key pressed while busy, then the right answer;
    // item 2 answered right; Esc on item 3
    std::vector<Step> script = {wait(100), key(57),  wait(850), digit(2), wait(400), enter(), wait(70),
                                key(57),   wait(30), digit(1),  key(30),  digit(1),  busy(30), wait(5),
                                digit(1),  wait(20), enter(),   wait(1500), digit(2), enter(),  wait(999),
                                esc()};
    ASSERT_EQ(run_with(script, "/P:\"P,0\"\"17\""), 0);
    ASSERT_EQ(journal_names(), std::vector<std::string>{"S0000001.CSV"});
    const std::string s = "0123456789abcdef,\"P,0\"\"17\",";
    EXPECT_EQ(read_text("S0000001.CSV"),
              std::string(journal_header) +
              s + "session_start,0,2026-12-08T10:15:02,,,,,,,,,,meridoka," MERIDOKA_VERSION ",headless," +
                  archive_fields() + ",4,simulated,1000,,,,,\r\n" +
              s + "item_shown,100,2026-12-08T10:15:02,1,,,,,,,,\"One, \"\"two\"\"\",,,,,,,,,,,,,\r\n" +
              s + "answer_previewed,950,2026-12-08T10:15:02,1,2,2,,,,,,,,,,,,,,,,,,,\r\n" +
              s + "answer_refused,1350,2026-12-08T10:15:03,1,2,2,1,0,1250,850,,,,,,,,,,,,,,,\r\n" +
              s + "answer_previewed,1450,2026-12-08T10:15:03,1,1,1,,,,,,,,,,,,,,,,,,,\r\n" +
              s + "preview_withdrawn,1450,2026-12-08T10:15:03,1,1,1,,,,,30,,,,,,,,,,,,,,\r\n" +
              s + "answer_previewed,1450,2026-12-08T10:15:03,1,1,1,,,,,,,,,,,,,,,,,,,\r\n" +
              s + "preview_withdrawn,1450,2026-12-08T10:15:03,1,1,1,,,,,0,,,,,,,,,,,,,,\r\n" +
              s + "answer_previewed,1455,2026-12-08T10:15:03,1,1,1,,,,,,,,,,,,,,,,,,,\r\n" +
              s + "answer_confirmed,1475,2026-12-08T10:15:03,1,1,1,1,1,1375,850,,,,,,,,,,,,,,,\r\n" +
              s + "item_shown,1475,2026-12-08T10:15:03,2,,,,,,,,\xD0\xA2\xD0\xB5\xD1\x81\xD1\x82 \xD1\x91,,,,,,,,,,,,,\r\n" +
              s + "answer_previewed,2975,2026-12-08T10:15:04,2,2,5,,,,,,,,,,,,,,,,,,,\r\n" +
              s + "answer_confirmed,2975,2026-12-08T10:15:04,2,2,5,5,1,1500,1500,,,,,,,,,,,,,,,\r\n" +
              s + "item_shown,2975,2026-12-08T10:15:04,3,,,,,,,,Item 3,,,,,,,,,,,,,\r\n" +
              s + "session_end,3974,2026-12-08T10:15:05,,,,,,,,,,,,,,,,,,esc,2,0,2,\r\n");
    EXPECT_NE(read_text("RESULT-W.TXT").find("(2/4)"), std::string::npos);
    // the answers and session rows (the rows before them with them), and the result file
    EXPECT_EQ(headless::current().commits, 5u + 1u);
}

// How a session ends, and what a run leaves when it does not get as far as
// a test: nothing for a refused command line or a missing display.
TEST_F(Journal, EndingsAndRunsWithoutATest)
{
    TestSetup setup;
    setup.items = standard_items(3);
    write_test(setup);
    ASSERT_EQ(run_with({key(57), close_window()}), 0);
    std::vector<Step> all = right_answers(setup.items);
    all.insert(all.begin(), key(57));
    ASSERT_EQ(run_with(all), 0);
    ASSERT_EQ(run_with({key(57), esc()}), 0);
    std::vector<std::string> endings;
    for (const std::string &name : journal_names())
        endings.push_back(csv_rows(read_text(name)).back()[c_ended_by]);
    EXPECT_EQ(endings, (std::vector<std::string>{"closed", "completed", "esc"}));

    // the usage text and a refused option: status 0 and 4, nothing loaded or written
    EXPECT_EQ(run_with({}, "/?"), 0);
    headless::Run &run = headless::current();
    ASSERT_EQ(run.errors.size(), 1u);
    EXPECT_EQ(run.errors[0].rfind("MERIDOKA " MERIDOKA_VERSION " [/P:ID]", 0), 0u);
    EXPECT_EQ(run_with({}, "/P:P017 /X:1"), 4);
    EXPECT_EQ(run.errors.size(), 1u);
    EXPECT_EQ(run.errors[0].rfind("Error: bad option /X:1\n", 0), 0u);
    EXPECT_EQ(run.allocations, 0u);
    EXPECT_EQ(journal_names().size(), 3u);

    // no display: the new journal goes again
    headless::reset({esc()}).fail_video = true;
    EXPECT_EQ(program_main(), 2);
    EXPECT_EQ(journal_names().size(), 3u);
}

// One more than the highest S + 7 digits + .CSV in any case; other names,
// however close, do not count, and gaps are never filled.
TEST_F(Journal, NumberedAfterTheHighestJournalName)
{
    TestSetup setup;
    setup.items = standard_items(3);
    write_test(setup);
    ASSERT_EQ(run_with({esc()}), 0);
    EXPECT_EQ(journal_names(), std::vector<std::string>{"S0000001.CSV"});
    for (const char *name : {"S0000005.CSV", "s0000009.csv", "S12.CSV", "S0000099.CSV.BAK", "S00000999.CSV",
                             "X0000200.CSV", "S00002a0.CSV", "S0000300.TXT"})
        write_file(name, text_bytes("not ours"));
    ASSERT_EQ(run_with({esc()}), 0);
    EXPECT_EQ(read_text("S0000010.CSV").rfind(journal_header, 0), 0u);
    EXPECT_EQ(read_text("S0000005.CSV"), "not ours");

    EXPECT_EQ(journal_number("S0000001.CSV"), 1u);
    EXPECT_EQ(journal_number("s9999999.cSv"), 9999999u);
    EXPECT_EQ(journal_number("S0000000.CSV"), 0u);
    EXPECT_EQ(journal_number("S000001.CSV"), 0u);
}

// Status 3: with no free name the test is not given; a result file that
// cannot be written leaves the old one whole and names the journal.
TEST_F(Journal, AnswersThatCannotBeKeptGiveStatusThree)
{
    TestSetup setup;
    setup.items = standard_items(3);
    write_test(setup);
    write_file("S9999999.CSV", text_bytes("the last name"));
    ASSERT_EQ(run_with({key(57), esc()}), 3);
    headless::Run &run = headless::current();
    EXPECT_EQ(run.video_opens, 0u);
    ASSERT_EQ(run.errors.size(), 1u);
    EXPECT_EQ(run.errors[0], "Error: cannot write the session journal in this folder; the test was not started.\n");
    EXPECT_EQ(run.live_blocks, 0);
    std::remove("S9999999.CSV");

    write_file("RESULT-W.TXT", text_bytes("earlier run"));
    std::filesystem::create_directory("RESULT-W.TMP");  // the temporary name is taken
    ASSERT_EQ(run_with({key(57), digit(setup.items[0].answer), enter(), esc()}), 3);
    ASSERT_EQ(run.errors.size(), 1u);
    EXPECT_EQ(run.errors[0], "Error: cannot write RESULT-W.TXT; the answers are in S0000001.CSV.\n");
    EXPECT_EQ(read_text("RESULT-W.TXT"), "earlier run");
    std::vector<Row> rows = csv_rows(read_text("S0000001.CSV"));
    EXPECT_EQ(rows.back()[c_event], "session_end");
    EXPECT_EQ(rows.back()[c_ended_by + 3], "1");  // answered

    std::filesystem::remove("RESULT-W.TMP");
    ASSERT_EQ(run_with({key(57), digit(setup.items[0].answer), enter(), esc()}), 0);
    EXPECT_NE(read_text("RESULT-W.TXT"), "earlier run");
    EXPECT_FALSE(std::filesystem::exists("RESULT-W.TMP"));
}

// Every CP866 byte but 0 reaches the journal as its UTF-8 character, the
// controls too (CR and LF make the field quoted); a CSV reader gets the text
// back whole.
TEST_F(Journal, ItemTextsOfEveryByteComeOutAsUtf8)
{
    TestSetup setup;
    setup.items = standard_items(3);
    std::string low, high;
    for (int c = 1; c < 0x80; c++)
        low += char(c);
    for (int c = 0x80; c < 0x100; c++)
        high += char(c);
    setup.items[0].text = low;
    setup.items[1].text = high;
    write_test(setup);
    std::vector<Step> script = {key(57), digit(setup.items[0].answer), enter(), esc()};
    ASSERT_EQ(run_with(script), 0);
    std::vector<Row> rows = csv_rows(read_text("S0000001.CSV"));
    std::vector<std::string> texts;
    for (const Row &r : rows)
        if (r[c_event] == "item_shown")
            texts.push_back(r[c_item_text]);
    ASSERT_EQ(texts.size(), 2u);

    iconv_t convert = iconv_open("UTF-8", "CP866");
    ASSERT_NE(convert, (iconv_t)-1);
    for (size_t i = 0; i < 2; i++) {
        std::string in = i ? high : low, out(in.size() * 3, '\0');
        char *from = &in[0], *to = &out[0];
        size_t in_left = in.size(), out_left = out.size();
        ASSERT_NE(iconv(convert, &from, &in_left, &to, &out_left), (size_t)-1);
        out.resize(out.size() - out_left);
        if (!i) {  // the PC graphic symbols, which the C library leaves control codes
            std::string symbols = "☺☻♥♦♣♠•◘○\n♂♀♪♫☼►◄↕‼¶§▬↨↑↓→←∟↔▲▼";
            out = symbols + out.substr(31, 0x7F - 32) + "⌂";
        }
        EXPECT_EQ(texts[i], out) << "item " << i + 1;
    }
    iconv_close(convert);
}

}  // namespace
