// Resuming a session from its journal: at every point a run can stop, with
// and without a cut last row, the resumed run ends with the result file of
// an uninterrupted one; which session /R picks; what is refused (status 4).
#include "journal_support.h"

using namespace journal_support;

namespace {

class Resume : public ScratchDir {};

// Five items: item 1 refuses a wrong answer first, item 2 takes a preview
// back, item 4 (past the practice items) is answered wrong.
std::vector<std::vector<Step>> keys_per_item(const std::vector<Item> &items)
{
    std::vector<std::vector<Step>> keys;
    for (size_t i = 0; i < items.size(); i++) {
        int right = items[i].answer, wrong = right == 1 ? 2 : 1;
        std::vector<Step> k = {wait(300), digit(right), enter()};
        if (i == 0)
            k.insert(k.begin(), {wait(200), digit(wrong), enter(), key(57)});
        if (i == 1)
            k.insert(k.begin(), {digit(wrong), key(30)});
        if (i == 3)
            k = {wait(400), digit(wrong), enter()};
        keys.push_back(k);
    }
    return keys;
}

std::vector<Step> keys_from(const std::vector<std::vector<Step>> &keys, size_t item)
{
    std::vector<Step> out;
    for (size_t i = item; i < keys.size(); i++)
        out.insert(out.end(), keys[i].begin(), keys[i].end());
    return out;
}

// The rows of a journal as its lines, each with its CR LF.
std::vector<std::string> lines_of(const std::string &text)
{
    std::vector<std::string> lines;
    for (size_t at = 0; at < text.size();) {
        size_t end = text.find("\r\n", at);
        end = end == std::string::npos ? text.size() : end + 2;
        lines.push_back(text.substr(at, end - at));
        at = end;
    }
    return lines;
}

size_t answered_in(const std::vector<Row> &rows)
{
    size_t n = 0;
    for (const Row &r : rows)
        n += r[c_event] == "answer_confirmed";
    return n;
}

TEST_F(Resume, EveryStoppingPointEndsWithTheUninterruptedResult)
{
    TestSetup setup;
    setup.items = standard_items(5);
    write_test(setup);
    const auto keys = keys_per_item(setup.items);
    std::vector<Step> whole = keys_from(keys, 0);
    whole.insert(whole.begin(), key(57));
    ASSERT_EQ(run_with(whole, "/P:P017"), 0);
    const std::string expected_result = read_text("RESULT-W.TXT");
    const std::vector<std::string> lines = lines_of(read_text("S0000001.CSV"));
    ASSERT_NE(lines.back().find(",session_end,"), std::string::npos);
    ASSERT_EQ(lines.size(), 22u);  // header, start, 5 items, end: 20 stopping points
    std::remove("RESULT-W.TXT");

    // a stop after each row but the last, and in the middle of the row after it
    for (size_t kept = 2; kept < lines.size(); kept++) {
        for (size_t cut : {size_t(0), lines[kept].size() / 2}) {
            std::string text;
            for (size_t i = 0; i < kept; i++)
                text += lines[i];
            std::vector<Row> before = csv_rows(text);
            size_t answered = answered_in(before);
            write_file("S0000001.CSV", text_bytes(text + lines[kept].substr(0, cut)));
            SCOPED_TRACE("rows kept " + std::to_string(kept) + ", cut " + std::to_string(cut));

            ASSERT_EQ(run_with(keys_from(keys, answered), "/P:P017 /R"), 0);
            EXPECT_TRUE(headless::current().errors.empty());
            EXPECT_EQ(read_text("RESULT-W.TXT"), expected_result);
            std::remove("RESULT-W.TXT");

            // the earlier rows stay; then the interruption, and the rest of the session
            std::string after = read_text("S0000001.CSV");
            ASSERT_EQ(after.rfind(text, 0), 0u);
            std::vector<Row> rows = csv_rows(after);
            EXPECT_EQ(lines_of(after).size(), rows.size());  // every line whole
            const Row &stop = rows[before.size()];
            EXPECT_EQ(stop[c_event], "session_interrupted");
            EXPECT_EQ(stop[c_ms], before.back()[c_ms]);
            EXPECT_EQ(stop[c_note], cut ? "dropped a cut last row of " + std::to_string(cut) + " bytes" : "");
            if (answered < setup.items.size()) {
                EXPECT_EQ(rows[before.size() + 1][c_event], "session_resumed");
                EXPECT_EQ(rows[before.size() + 1][c_item], std::to_string(answered + 1));
                EXPECT_EQ(rows[before.size() + 1][c_note], "headless");
                EXPECT_EQ(rows[before.size() + 2][c_event], "item_shown");
            }
            EXPECT_EQ(answered_in(rows), setup.items.size());
            EXPECT_EQ(rows.back()[c_ended_by], "completed");
            for (size_t i = 1; i < rows.size(); i++) {  // after the header
                EXPECT_EQ(rows[i].size(), 27u);
                EXPECT_EQ(rows[i][c_session], "0123456789abcdef");
                EXPECT_EQ(rows[i][c_participant], "P017");
                if (i > 1) {
                    EXPECT_LE(std::stoul(rows[i - 1][c_ms]), std::stoul(rows[i][c_ms]));
                }
            }
        }
    }
}

// The resumed test goes straight on in the test frame, and its response
// times count from the item's own item_shown row of the resumed run.
TEST_F(Resume, GoesOnInTheTestFrameWithItsOwnTimes)
{
    TestSetup setup;
    setup.items = standard_items(3);
    write_test(setup);
    ASSERT_EQ(run_with({key(57), digit(setup.items[0].answer), enter(), wait(5000), close_window()}), 0);
    std::string text = read_text("S0000001.CSV");
    write_file("S0000001.CSV", text_bytes(text.substr(0, text.rfind("0123456789abcdef,,session_end"))));

    ASSERT_EQ(run_with({wait(700), digit(setup.items[1].answer), wait(50), enter(), esc()}, "/R"), 0);
    headless::Run &run = headless::current();
    ASSERT_FALSE(run.waits.empty());
    EXPECT_EQ(pixel(run.waits[0], 360, 100), 0);  // the first wait already shows the test frame
    std::vector<Row> rows = csv_rows(read_text("S0000001.CSV"));
    const Row &confirmed = rows[rows.size() - 3];
    EXPECT_EQ(confirmed[c_event], "answer_confirmed");
    EXPECT_EQ(confirmed[c_item], "2");
    EXPECT_EQ(confirmed[c_rt_ms], "750");
    EXPECT_EQ(confirmed[c_first_digit_ms], "700");
    EXPECT_EQ(read_text("RESULT-W.TXT"), "Results:\r\n\r\n+ | Item 1\r\n+ | Item 2\r\n  | Item 3\r\n\r\nTotal: 2(+) 0(-) (2/3)\r\n");
}

// /R takes the participant's most recent unfinished session; /R:FILE that
// journal; either refuses (status 4, journal untouched) a session that
// ended, a damaged journal, one made with another archive, or nothing.
TEST_F(Resume, WhichSessionAndWhatIsRefused)
{
    TestSetup setup;
    setup.items = standard_items(3);
    write_test(setup);
    auto unfinished = [&](const std::string &options) {
        ASSERT_EQ(run_with({key(57), esc()}, options), 0);
        std::string name = journal_names().back(), text = read_text(name);
        write_file(name, text_bytes(text.substr(0, text.rfind("\r\n0123456789abcdef") + 2)));
    };
    unfinished("/P:A");                                   // S0000001
    unfinished("/P:B");                                   // S0000002
    unfinished("/P:A");                                   // S0000003
    ASSERT_EQ(run_with({key(57), esc()}, "/P:A"), 0);  // S0000004: ended
    unfinished("");                                       // S0000005

    const std::string a3 = read_text("S0000003.CSV");
    ASSERT_EQ(run_with({esc()}, "/p:a /r"), 4);  // IDs are compared exactly
    headless::Run &run = headless::current();
    EXPECT_EQ(run.errors, std::vector<std::string>{"Error: cannot resume a: no unfinished session.\n"});
    ASSERT_EQ(run_with({esc()}, "/P:A /R"), 0);
    EXPECT_NE(read_text("S0000003.CSV"), a3);
    EXPECT_EQ(csv_rows(read_text("S0000003.CSV")).back()[c_event], "session_end");
    ASSERT_EQ(run_with({esc()}, "/R"), 0);
    EXPECT_EQ(csv_rows(read_text("S0000005.CSV")).back()[c_event], "session_end");
    EXPECT_EQ(journal_names().size(), 5u);  // resuming makes no journal of its own

    auto refused = [&](const std::string &options, const std::string &message) {
        const std::string before = read_text("S0000001.CSV");
        EXPECT_EQ(run_with({esc()}, options), 4) << options;
        EXPECT_EQ(run.errors, std::vector<std::string>{message}) << options;
        EXPECT_EQ(run.video_opens, 0u);
        EXPECT_EQ(read_text("S0000001.CSV"), before);
    };
    refused("/R:S0000004.CSV", "Error: cannot resume S0000004.CSV: the session has ended.\n");
    refused("/R:S0000077.CSV", "Error: cannot resume S0000077.CSV: it cannot be opened.\n");
    refused("/P:B /R:MERIDOKA.WDL", "Error: cannot resume MERIDOKA.WDL: it is damaged.\n");

    // a row that is not whole before the last one
    std::string text = read_text("S0000001.CSV");
    write_file("S0000009.CSV", text_bytes(text.substr(0, text.size() - 10) + "\r\n" + text.substr(text.find("\r\n") + 2)));
    refused("/R:S0000009.CSV", "Error: cannot resume S0000009.CSV: it is damaged.\n");

    // another archive: one byte more changes its CRC-32, not its test
    Bytes archive = read_file("MERIDOKA.WDL");
    archive.push_back(0);
    write_file("MERIDOKA.WDL", archive);
    refused("/R:S0000001.CSV", "Error: cannot resume S0000001.CSV: it was made with another MERIDOKA.WDL.\n");
    archive.pop_back();
    write_file("MERIDOKA.WDL", archive);

    // no display: the resumed journal is cut back to what it was
    headless::Run &failing = headless::reset({esc()});
    failing.arguments = "/P:B /R";
    failing.fail_video = true;
    EXPECT_EQ(program_main(), 2);
    EXPECT_EQ(csv_rows(read_text("S0000002.CSV")).back()[c_event], "item_shown");
}

}  // namespace
