// Answer preview and scoring: what a digit shows, what Enter does, how the
// training items refuse wrong answers.
#include "runner_support.h"

using namespace runner_support;

namespace {

class Answer : public ScratchDir {};

// The screens of a run, by the index of the wait at which they were seen.
const headless::Screen &wait_screen(size_t i)
{
    const headless::Run &run = headless::current();
    EXPECT_LT(i, run.waits.size());
    return run.waits[std::min(i, run.waits.size() - 1)];
}

bool same_region(const headless::Screen &a, int ax, int ay, const headless::Screen &b, int bx, int by, int w, int h)
{
    for (int y = 0; y < h; y++)
        for (int x = 0; x < w; x++)
            if (pixel(a, ax + x, ay + y) != pixel(b, bx + x, by + y))
                return false;
    return true;
}

TEST_F(Answer, DigitPreviewsTheAnswerCellInTheEmptyCell)
{
    TestSetup setup;
    setup.items = {{"A", 2, 0x51FF, "a"}, {"B", 1, 0x11FF, "b"}, {"C", 1, 0x11FF, "c"}, {"D", 1, 0x11FF, "d"}};
    write_test(setup);
    // wait 1: item shown; wait 2: preview of answer 7 (cell 6); wait 3: after withdrawal
    EXPECT_EQ(run_test({key(57), digit(7), esc(), esc()}), 0);
    const headless::Screen &item = wait_screen(1), &preview = wait_screen(2), &after = wait_screen(3);
    // the empty cell 4 (centre) at (128, 80) shows answer cell 6 at (8, 360)
    EXPECT_TRUE(same_region(preview, 128, 80, item, 8, 360, 112, 50));
    EXPECT_FALSE(same_region(preview, 128, 80, item, 128, 80, 112, 50));
    // everything else is untouched, and Esc withdrew the preview
    EXPECT_TRUE(same_region(preview, 0, 0, item, 0, 0, 128, 480));
    EXPECT_EQ(after, item);
    EXPECT_TRUE(read_file("RESULT-W.TXT").empty());  // nothing was completed
}

TEST_F(Answer, DigitBeyondTheAvailableAnswersReadsNoKey)
{
    TestSetup setup;
    setup.items = {{"A", 2, 0x5111, "a"}};  // three answers: cells 0, 4, 8
    write_test(setup);
    EXPECT_EQ(run_test({key(57), digit(4), digit(9), esc()}), 0);
    headless::Run &run = headless::current();
    // digits 4 and 9 took no key of their own: the next wait is the loop's
    ASSERT_EQ(run.waits.size(), 4u);
    EXPECT_EQ(run.waits[2], run.waits[1]);
    EXPECT_EQ(run.waits[3], run.waits[1]);
}

TEST_F(Answer, AnswersCountOnlyPresentCells)
{
    // cells 0, 4, 8 present; answer "2" is cell 4
    TestSetup setup;
    setup.items = {{"A", 2, 0x5111, "a"}};
    write_test(setup);
    EXPECT_EQ(run_test({key(57), digit(2), key(88), digit(2), enter()}), 0);
    const headless::Screen &item = wait_screen(1), &preview = wait_screen(2);
    EXPECT_TRUE(same_region(preview, 128, 80, item, 128, 290, 112, 50));
    Bytes result = read_file("RESULT-W.TXT");
    EXPECT_NE(std::string(result.begin(), result.end()).find("+ | a"), std::string::npos);
}

TEST_F(Answer, TrainingItemRefusesAWrongAnswer)
{
    TestSetup setup;
    setup.items = standard_items(4);
    write_test(setup);
    int right = setup.items[0].answer, wrong = right == 1 ? 2 : 1;
    // wrong + Enter: popup, any key, popup gone, same item stays
    EXPECT_EQ(run_test({key(57), digit(wrong), enter(), key(30), digit(right), enter(), esc()}), 0);
    const headless::Screen &item = wait_screen(1), &popup = wait_screen(3), &back = wait_screen(4);
    EXPECT_EQ(back, item);
    EXPECT_NE(popup, item);
    // the popup for "Wrong" (5 characters, 48 px): box from (472, 201) to (528, 218)
    EXPECT_EQ(pixel(popup, 472, 201), 0);
    EXPECT_EQ(pixel(popup, 528, 218), 0);
    EXPECT_EQ(pixel(popup, 471, 201), 1);
    EXPECT_EQ(pixel(popup, 529, 210), 1);
    EXPECT_EQ(pixel(popup, 473, 202), 1);
    EXPECT_EQ(pixel(popup, 481, 206), 0);  // the text's first glyph row is ink
    // the popup was drawn while the preview was still showing
    EXPECT_FALSE(same_region(popup, 8, 10, item, 8, 10, 112, 50));

    Bytes result = read_file("RESULT-W.TXT");
    EXPECT_NE(std::string(result.begin(), result.end()).find("+ | Item 1\r\n  | Item 2"), std::string::npos);
}

TEST_F(Answer, OtherDigitWithdrawsThePreview)
{
    TestSetup setup;
    setup.items = standard_items(4);
    write_test(setup);
    // a second digit during a preview withdraws it and is not taken as an answer
    EXPECT_EQ(run_test({key(57), digit(1), digit(setup.items[0].answer), esc(), esc()}), 0);
    EXPECT_EQ(wait_screen(3), wait_screen(1));
    EXPECT_TRUE(read_file("RESULT-W.TXT").empty());
}

TEST_F(Answer, KeyPressedWhileThePreviewIsDrawnWithdrawsIt)
{
    TestSetup setup;
    setup.items = standard_items(4);
    write_test(setup);
    // the Enter arrives while the preview is drawn: discarded, no key, withdrawn
    EXPECT_EQ(run_test({key(57), digit(setup.items[0].answer), busy(key_enter), esc()}), 0);
    EXPECT_EQ(wait_screen(3), wait_screen(1));
    EXPECT_TRUE(read_file("RESULT-W.TXT").empty());
}

TEST_F(Answer, InvalidEmptyCellStillCompletes)
{
    TestSetup setup;
    // empty-cell numbers 0 and 12: no preview, but Enter still confirms
    setup.items = {{"A", 1, 0x01FF, "a"}, {"B", 1, 0xC1FF, "b"}, {"C", 1, 0xF1FF, "c"}, {"D", 3, 0x01FF, "d"}};
    write_test(setup);
    EXPECT_EQ(run_test({key(57), digit(1), enter(), digit(1), enter(), digit(1), enter(), digit(2), enter()}), 0);
    headless::Run &run = headless::current();
    EXPECT_EQ(run.waits[2], run.waits[1]);  // no preview drawn anywhere
    Bytes result = read_file("RESULT-W.TXT");
    EXPECT_NE(std::string(result.begin(), result.end()).find("3(+) 1(-) (4/4)"), std::string::npos)
        << std::string(result.begin(), result.end());
}

// Scoring on its own: which cell a digit picks, and what confirming it counts.
TEST(Scoring, DigitsPickAmongThePresentCellsAndTrainingCountsNothing)
{
    TestItem item{};
    item.answer = 2;
    item.mask = 0x5111;  // cells 0, 4 and 8 present; the empty cell is 5
    EXPECT_EQ(answer_cell(&item, 1), 0);
    EXPECT_EQ(answer_cell(&item, 2), 4);
    EXPECT_EQ(answer_cell(&item, 3), 8);
    EXPECT_EQ(answer_cell(&item, 4), -1);
    EXPECT_EQ(answer_cell(&item, 9), -1);

    for (int index = 0; index < 5; index++) {
        const int past = index >= 3 ? answer_past_training : 0;
        EXPECT_EQ(score_answer(&item, index, 2), answer_right + past) << "item " << index;
        EXPECT_EQ(score_answer(&item, index, 1), past) << "item " << index;
        EXPECT_EQ(score_answer(&item, index, 3), past) << "item " << index;
    }
}

TEST_F(Answer, PopupWithoutItsMessageStillComesAndGoes)
{
    TestSetup setup;
    setup.items = standard_items(4);
    setup.message_texts = {"Heading", "Hint"};
    write_test(setup);
    int right = setup.items[0].answer, wrong = right == 1 ? 2 : 1;
    EXPECT_EQ(run_test({key(57), digit(wrong), enter(), key(30), esc()}), 0);
    const headless::Screen &item = wait_screen(1), &popup = wait_screen(3), &back = wait_screen(4);
    // an empty box 16 px wide around x 500
    EXPECT_EQ(pixel(popup, 492, 201), 0);
    EXPECT_EQ(pixel(popup, 508, 218), 0);
    EXPECT_EQ(back, item);
}

}  // namespace
