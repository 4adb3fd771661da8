// Test screens checked against the layout: frame lines, pictures, labels,
// counter strip, texts.
#include "runner_support.h"

using namespace runner_support;

namespace {

class Screens : public ScratchDir {};

// Glyph c of the test font, row r, column k: ink?
bool glyph_ink(uint8_t c, int r, int k)
{
    static const Bytes font = font_bytes();
    return font[size_t(c * 8 + r)] & (0x80 >> k);
}

// Whether the 8x8 cell at (x, y) shows glyph c in black on white.
bool shows_glyph(const headless::Screen &s, int x, int y, uint8_t c)
{
    for (int r = 0; r < 8; r++)
        for (int k = 0; k < 8; k++)
            if (pixel(s, x + k, y + r) != (glyph_ink(c, r, k) ? 0 : 1))
                return false;
    return true;
}

bool all_white(const headless::Screen &s, int x1, int y1, int x2, int y2)
{
    for (int y = y1; y <= y2; y++)
        for (int x = x1; x <= x2; x++)
            if (!pixel(s, x, y))
                return false;
    return true;
}

TEST_F(Screens, InstructionScreen)
{
    TestSetup setup;
    setup.items = standard_items(3);
    write_test(setup);
    run_test({esc(), esc()});
    const headless::Screen &intro = headless::current().waits.at(0);
    // "Instructions" from (16, 16), "second line" 9 rows lower
    EXPECT_TRUE(shows_glyph(intro, 16, 16, 'I'));
    EXPECT_TRUE(shows_glyph(intro, 24, 16, 'n'));
    EXPECT_TRUE(shows_glyph(intro, 16, 25, 's'));
    // message 5 "Press a key" (11 characters) centred in 639: from x 275 at y 455
    EXPECT_TRUE(shows_glyph(intro, 275, 455, 'P'));
    EXPECT_TRUE(all_white(intro, 0, 0, 639, 15));
}

TEST_F(Screens, TestFrameAndItem)
{
    TestSetup setup;
    setup.items = {{"A", 2, 0x5111, "a"}, {"B", 1, 0x11FF, "line one\nline two"}};
    write_test(setup);
    run_test({key(57), digit(2), enter(), esc()});
    const headless::Run &run = headless::current();
    const headless::Screen &first = run.waits.at(1), &second = run.waits.at(3);

    // frame lines
    for (int y = 0; y <= 430; y++)
        EXPECT_EQ(pixel(first, 360, y), 0) << y;
    for (int x = 0; x <= 360; x++) {
        EXPECT_EQ(pixel(first, x, 209), 0) << x;
        EXPECT_EQ(pixel(first, x, 430), 0) << x;
    }
    EXPECT_EQ(pixel(first, 361, 100), 1);

    // heading "Heading" (7 characters) centred in 280 from 360: x 472, y 10
    EXPECT_TRUE(shows_glyph(first, 472, 10, 'H'));
    // bottom hint at (10, 435)
    EXPECT_TRUE(shows_glyph(first, 10, 435, 'H'));
    EXPECT_TRUE(shows_glyph(first, 18, 435, 'i'));

    // counter "01/02" centred: x 480, y 42; item text "a" at x 496, y 58
    EXPECT_TRUE(shows_glyph(first, 480, 42, '0'));
    EXPECT_TRUE(shows_glyph(first, 488, 42, '1'));
    EXPECT_TRUE(shows_glyph(first, 496, 42, '/'));
    EXPECT_TRUE(shows_glyph(first, 496, 58, 'a'));
    EXPECT_TRUE(shows_glyph(second, 488, 42, '2'));

    // labels: mask 0x111 gives "1" under cell 0, "2" under cell 4, "3" under cell 8
    EXPECT_TRUE(shows_glyph(first, 60, 274, '1'));
    EXPECT_TRUE(shows_glyph(first, 182, 344, '2'));
    EXPECT_TRUE(shows_glyph(first, 304, 414, '3'));
    EXPECT_TRUE(all_white(first, 182, 274, 189, 281));  // cell 1: blank label
    // the next item (all nine answers) relabels every square
    EXPECT_TRUE(shows_glyph(second, 182, 274, '2'));
    EXPECT_TRUE(shows_glyph(second, 304, 414, '9'));

    // the counter strip was blanked; the two-line text is centred line by line
    EXPECT_TRUE(shows_glyph(second, 468, 58, 'l'));
    EXPECT_TRUE(shows_glyph(second, 468, 66, 'l'));
    EXPECT_FALSE(shows_glyph(second, 496, 58, 'a'));
}

TEST_F(Screens, PicturesAreDrawnAtTheirPlaces)
{
    TestSetup setup;
    setup.items = {{"A", 1, 0x11FF, "a"}};
    write_test(setup);
    run_test({key(57), esc()});
    const headless::Screen &s = headless::current().waits.at(1);
    Bytes problem = problem_picture(0);
    // compare a few rows of the problem picture at (8, 10) with the source
    for (int y : {10 + 51, 10 + 75, 10 + 189}) {
        for (int x = 0; x < 352; x++) {
            unsigned row = 190 - 1 - unsigned(y - 10);
            uint8_t b = problem[62 + row * 44 + unsigned(x) / 8];
            EXPECT_EQ(pixel(s, 8 + x, y), (b >> (7 - x % 8)) & 1) << x << "," << y;
        }
    }
}

TEST_F(Screens, MissingPicturesLeaveTheScreenAsItWas)
{
    TestSetup setup;
    setup.items = {{"A", 1, 0x11FF, "a"}};
    setup.pictures = false;
    write_test(setup);
    EXPECT_EQ(run_test({key(57), esc()}), 0);
    const headless::Screen &s = headless::current().waits.at(1);
    EXPECT_TRUE(all_white(s, 8, 10, 359, 199));
    EXPECT_TRUE(all_white(s, 8, 220, 359, 269));
}

TEST_F(Screens, CounterWrapsAtAThousand)
{
    std::vector<Item> items;
    for (int i = 0; i < 1002; i++)
        items.push_back({"I", 1, 0x11FF, ""});
    TestSetup setup;
    setup.items = items;
    setup.pictures = false;
    write_test(setup);
    std::vector<Step> script = {key(57)};
    for (int i = 0; i < 1000; i++) {
        script.push_back(digit(1));
        script.push_back(enter());
    }
    script.push_back(esc());
    EXPECT_EQ(run_test(script), 0);
    // item 1001 of 1002 reads "01/02"
    const headless::Screen &s = headless::current().waits.back();
    EXPECT_TRUE(shows_glyph(s, 480, 42, '0'));
    EXPECT_TRUE(shows_glyph(s, 488, 42, '1'));
    EXPECT_TRUE(shows_glyph(s, 504, 42, '0'));
    EXPECT_TRUE(shows_glyph(s, 512, 42, '2'));
}

}  // namespace
