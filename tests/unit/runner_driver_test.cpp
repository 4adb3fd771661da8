// The driver: whole runs, how they end, status codes, loading failures.
#include "runner_support.h"

using namespace runner_support;

namespace {

class Driver : public ScratchDir {};

TEST_F(Driver, WholeRunEndsWithTheLastItem)
{
    TestSetup setup;
    setup.items = standard_items(5);
    write_test(setup);
    std::vector<Step> script = {key(57)};  // any key leaves the instruction screen
    for (const Step &s : right_answers(setup.items))
        script.push_back(s);
    script.push_back(esc());  // must stay unread: the last item ends the test

    EXPECT_EQ(run_test(script), 0);
    headless::Run &run = headless::current();
    EXPECT_FALSE(run.script_ran_out);
    EXPECT_EQ(run.next, script.size() - 1);
    EXPECT_TRUE(run.errors.empty());
    EXPECT_EQ(run.live_blocks, 0);
    Bytes result = read_file("RESULT-W.TXT");
    std::string text(result.begin(), result.end());
    EXPECT_EQ(text, "Results:\r\n\r\n+ | Item 1\r\n+ | Item 2\r\n+ | Item 3\r\n+ | Item 4\r\n+ | Item 5\r\n"
                    "\r\nTotal: 5(+) 0(-) (5/5)\r\n");
}

TEST_F(Driver, WrongAnswersPastTrainingAreScoredAndAccepted)
{
    TestSetup setup;
    setup.items = standard_items(5);
    write_test(setup);
    std::vector<Step> script = {key(57)};
    std::vector<Step> right = right_answers(setup.items);
    script.insert(script.end(), right.begin(), right.begin() + 6);
    int wrong = setup.items[3].answer == 1 ? 2 : 1;
    script.push_back(digit(wrong));  // item 4 answered wrong: accepted
    script.push_back(enter());
    script.push_back(esc());  // leave on item 5

    EXPECT_EQ(run_test(script), 0);
    Bytes result = read_file("RESULT-W.TXT");
    EXPECT_EQ(std::string(result.begin(), result.end()),
              "Results:\r\n\r\n+ | Item 1\r\n+ | Item 2\r\n+ | Item 3\r\n- | Item 4\r\n  | Item 5\r\n"
              "\r\nTotal: 3(+) 1(-) (4/5)\r\n");
}

TEST_F(Driver, EscOnTheFirstItemWritesNoResults)
{
    TestSetup setup;
    setup.items = standard_items(3);
    write_test(setup);
    write_file("RESULT-W.TXT", text_bytes("earlier run"));
    EXPECT_EQ(run_test({key(57), esc()}), 0);
    EXPECT_EQ(read_file("RESULT-W.TXT"), text_bytes("earlier run"));
    EXPECT_TRUE(headless::current().errors.empty());
}

TEST_F(Driver, OtherKeysOnAnItemDoNothing)
{
    TestSetup setup;
    setup.items = standard_items(3);
    write_test(setup);
    EXPECT_EQ(run_test({key(57), key(11), key(30), enter(), key(88), esc()}), 0);
    headless::Run &run = headless::current();
    ASSERT_EQ(run.waits.size(), 6u);
    for (size_t i = 2; i < 6; i++)
        EXPECT_EQ(run.waits[i], run.waits[1]) << "wait " << i;
}

TEST_F(Driver, ClosingTheWindowEndsLikeEsc)
{
    TestSetup setup;
    setup.items = standard_items(5);
    write_test(setup);
    std::vector<Step> script = {key(57)};
    std::vector<Step> right = right_answers(setup.items);
    script.insert(script.end(), right.begin(), right.begin() + 4);
    script.push_back(close_window());
    EXPECT_EQ(run_test(script), 0);
    Bytes result = read_file("RESULT-W.TXT");
    EXPECT_NE(std::string(result.begin(), result.end()).find("(2/5)"), std::string::npos);
    EXPECT_FALSE(headless::current().script_ran_out);
}

TEST_F(Driver, NoInstructionTextMeansNoWait)
{
    TestSetup setup;
    setup.items = standard_items(3);
    setup.intro = false;
    write_test(setup);
    EXPECT_EQ(run_test({esc()}), 0);
    headless::Run &run = headless::current();
    ASSERT_EQ(run.waits.size(), 1u);
    // the first wait already shows the test frame
    EXPECT_EQ(pixel(run.waits[0], 360, 100), 0);
}

TEST_F(Driver, KeyPressedWhileTheIntroIsDrawnEndsIt)
{
    TestSetup setup;
    setup.items = standard_items(3);
    write_test(setup);
    // the busy key is discarded, the wait returns "no key" at once
    EXPECT_EQ(run_test({busy(57), esc()}), 0);
    headless::Run &run = headless::current();
    ASSERT_EQ(run.waits.size(), 2u);
    EXPECT_EQ(pixel(run.waits[1], 360, 100), 0);  // the item was reached
}

TEST_F(Driver, MissingResourcesGiveStatusOne)
{
    TestSetup setup;
    setup.items = standard_items(3);
    setup.messages = false;
    write_test(setup);
    EXPECT_EQ(run_test({esc()}), 1);
    headless::Run &run = headless::current();
    ASSERT_EQ(run.errors.size(), 1u);
    EXPECT_EQ(run.errors[0], "Error: not enough memory or error reading resources from \"MERIDOKA.WDL\" file.\n");
    EXPECT_EQ(run.video_opens, 0u);
    EXPECT_EQ(run.live_blocks, 0);
    EXPECT_TRUE(run.waits.empty());

    setup.messages = true;
    setup.font = false;
    write_test(setup);
    EXPECT_EQ(run_test({esc()}), 1);
    EXPECT_EQ(headless::current().live_blocks, 0);

    std::remove("MERIDOKA.WDL");
    EXPECT_EQ(run_test({esc()}), 1);
    EXPECT_EQ(headless::current().errors.size(), 1u);
}

TEST_F(Driver, AllThreeLoadsAreTriedWhenTheFirstFails)
{
    TestSetup setup;
    setup.items = standard_items(3);
    write_test(setup);
    // with the table present: table (table, data, items) = 3,
    // messages (output, input) = 2, font = 2, answer log = 1
    EXPECT_EQ(run_test({key(57), esc()}), 0);
    uint64_t loading = 3 + 2 + 2 + 1;
    EXPECT_GT(headless::current().allocations, loading);

    // no table: the table's own block, then both other loads
    std::vector<Entry> entries = {packed("MESSAGES", messages_bytes(setup.message_texts)),
                                  packed("DOS8X8RU", font_bytes())};
    write_archive(entries);
    EXPECT_EQ(run_test({esc()}), 1);
    EXPECT_EQ(headless::current().allocations, 1u + 2u + 2u);
    EXPECT_EQ(headless::current().live_blocks, 0);
}

TEST_F(Driver, ZeroItemsGiveStatusOne)
{
    TestSetup setup;
    write_test(setup);
    EXPECT_EQ(run_test({esc()}), 1);
    EXPECT_EQ(headless::current().video_opens, 0u);
    EXPECT_EQ(headless::current().errors.size(), 1u);
}

TEST_F(Driver, DisplayThatFailsGivesStatusTwo)
{
    TestSetup setup;
    setup.items = standard_items(3);
    write_test(setup);
    headless::Run &run = headless::reset({esc()});
    run.fail_video = true;
    EXPECT_EQ(program_main(), 2);
    ASSERT_EQ(run.errors.size(), 1u);
    EXPECT_EQ(run.errors[0], "Error: VGA adapter with at least 640x480 resolution required.\n");
    EXPECT_EQ(run.live_blocks, 0);
    EXPECT_TRUE(read_file("RESULT-W.TXT").empty());
}

// Every allocation of a whole run fails in turn: loading failures end with
// status 1, later ones only skip a picture or a preview; nothing leaks.
TEST_F(Driver, EveryAllocationMayFail)
{
    TestSetup setup;
    setup.items = standard_items(4);
    write_test(setup);
    std::vector<Step> script = {key(57)};
    for (const Step &s : right_answers(setup.items))
        script.push_back(s);
    EXPECT_EQ(run_test(script), 0);
    uint64_t total = headless::current().allocations;
    ASSERT_GT(total, 20u);

    for (uint64_t n = 1; n <= total; n++) {
        std::remove("RESULT-W.TXT");
        headless::Run &run = headless::reset(script);
        run.fail_allocation = n;
        int status = program_main();
        EXPECT_TRUE(status == 0 || status == 1) << "allocation " << n;
        EXPECT_EQ(run.live_blocks, 0) << "allocation " << n;
        if (status == 1) {
            EXPECT_TRUE(run.waits.empty()) << "allocation " << n;
        }
    }
}

}  // namespace
