// Font text: glyph cells, colours, transparency, clipping, short fonts, and
// the three layouts of text blocks (left, paragraph, centred).
#include "tests/unit/graphics_support.h"

using namespace gfxtest;

namespace {

class GfxText : public GraphicsTest {
protected:
    void SetUp() override
    {
        GraphicsTest::SetUp();
        font = font_bytes();
        block = block_of(font);
        gfx_set_font(block, uint32_t(font.size()));
        gfx_set_colour(1);
    }
    void TearDown() override
    {
        gfx_set_font(nullptr, 0);
        mem_free(block);
        GraphicsTest::TearDown();
    }
    // the model of a white text on the current screen
    Model expect_text(int x, int y, const std::string &text)
    {
        Model m = screen_now();
        model_text(m, font, x, y, text, true);
        return m;
    }
    Bytes font;
    uint8_t *block = nullptr;
};

using GfxTextBlock = GfxText;

TEST_F(GfxText, SetFontStoresTheAddress)
{
    EXPECT_EQ(font_table, block);
    gfx_set_font(nullptr, 0);
    EXPECT_EQ(font_table, nullptr);
}

TEST_F(GfxText, CellsSitSideBySide)
{
    Model want = expect_text(100, 50, "\xDB\xDB\xDB");
    gfx_text(100, 50, "\xDB\xDB\xDB", 3);
    EXPECT_EQ(diff(want), "");
    PixelSet cells;
    for (int y = 50; y <= 57; y++)
        for (int x = 100; x < 124; x++)
            cells.insert({x, y});
    EXPECT_EQ(white_pixels(), cells);
}

TEST_F(GfxText, EachCharacterUsesItsOwnGlyph)
{
    const std::string text = "Ab\x01\x80\xFF";
    Model want = expect_text(100, 50, text);
    gfx_text(100, 50, text.c_str(), int(text.size()));
    EXPECT_EQ(diff(want), "");
}

TEST_F(GfxText, CountLimitsTheRunNotATerminator)
{
    // a zero byte within count is glyph 0; bytes past count are not drawn
    const char text[] = {'x', 0, 'y', 'z'};
    Model want = expect_text(40, 40, std::string(text, 3));
    gfx_text(40, 40, text, 3);
    EXPECT_EQ(diff(want), "");
}

TEST_F(GfxText, GlyphOfEveryByteValue)
{
    std::string all;
    for (int c = 0; c < 256; c++)
        all.push_back(char(c));
    // four lines of 64 characters fill the screen's width exactly
    Model want = screen_now();
    for (int line = 0; line < 4; line++)
        model_text(want, font, 0, 100 + 10 * line, all.substr(size_t(64 * line), 64), true);
    for (int line = 0; line < 4; line++)
        gfx_text(0, 100 + 10 * line, all.c_str() + 64 * line, 64);
    EXPECT_EQ(diff(want), "");
}

TEST_F(GfxText, CountZeroOrNoFontDrawsNothing)
{
    gfx_text(10, 10, "abc", 0);
    gfx_text(10, 10, "abc", -1);
    gfx_set_font(nullptr, 0);
    gfx_text(10, 10, "abc", 3);
    EXPECT_TRUE(white_pixels().empty());
}

TEST_F(GfxText, BackgroundIsTransparent)
{
    fill_screen_with_noise(11);
    Model want = expect_text(203, 77, "Hello");
    gfx_text(203, 77, "Hello", 5);
    EXPECT_EQ(diff(want), "");
}

TEST_F(GfxText, BlackInkOnNoise)
{
    fill_screen_with_noise(5);
    Model want = screen_now();
    model_text(want, font, 203, 77, "Hello", false);
    gfx_set_colour(0);
    gfx_text(203, 77, "Hello", 5);
    EXPECT_EQ(diff(want), "");
}

TEST_F(GfxText, WhiteOverBlackErasesExactly)
{
    gfx_set_colour(1);
    gfx_clear();
    gfx_set_colour(0);
    gfx_text(33, 21, "erase me", 8);
    gfx_set_colour(1);
    gfx_text(33, 21, "erase me", 8);
    for (uint32_t i = 0; i < screen_size; i++)
        ASSERT_EQ(screen_bits[i], 0xFF) << "byte " << i;
}

TEST_F(GfxText, GlyphLosesOnlyItsOffScreenColumns)
{
    // right edge: solid glyph at 636 keeps columns 636..639, nothing wraps
    gfx_text(636, 0, "\xDB", 1);
    PixelSet want;
    for (int y = 0; y < 8; y++)
        for (int x = 636; x < 640; x++)
            want.insert({x, y});
    EXPECT_EQ(white_pixels(), want);
}

TEST_F(GfxText, ClippedAtEveryEdge)
{
    const int places[][2] = {{637, 30}, {-5, 30}, {100, -5}, {100, 476}, {-3, -3}, {635, 475},
                             {-8, 0},   {640, 0}, {0, -8},   {0, 480},   {-7, 473}, {9, -7},
                             {9, 479}, {639, 9}, {-7, 9}};
    for (auto &p : places) {
        std::memset(screen_bits, 0, screen_size);
        Model want = expect_text(p[0], p[1], "Wq");
        gfx_text(p[0], p[1], "Wq", 2);
        EXPECT_EQ(diff(want), "") << "text at (" << p[0] << "," << p[1] << ")";
    }
}

TEST_F(GfxText, LongRunsOffTheScreen)
{
    std::string run(200, '\xDB');
    Model want = expect_text(-700, 200, run);
    gfx_text(-700, 200, run.c_str(), int(run.size()));
    EXPECT_EQ(diff(want), "");
    std::memset(screen_bits, 0, screen_size);
    want = expect_text(600, 200, run);
    gfx_text(600, 200, run.c_str(), int(run.size()));
    EXPECT_EQ(diff(want), "");
}

TEST_F(GfxText, ShortFontBlockDrawsOnlyTheGlyphsItHolds)
{
    // a font block that ends after glyph 'A' (65): 'B' and later draw nothing
    Bytes shortfont(font.begin(), font.begin() + 66 * 8);
    uint8_t *f = block_of(shortfont);
    gfx_set_font(f, uint32_t(shortfont.size()));
    Model want = screen_now();
    model_text(want, font, 10, 10, "A", true);
    gfx_text(10, 10, "AB\xDB\xFF", 4);
    EXPECT_EQ(diff(want), "");
    gfx_set_font(nullptr, 0);
    mem_free(f);
}

TEST_F(GfxText, GlyphCutByTheEndOfTheFontBlockDrawsNothing)
{
    // the block holds glyph 66 ('B') only in part: it is left blank rather
    // than drawn from bytes past the block
    Bytes shortfont(font.begin(), font.begin() + 66 * 8 + 4);
    for (int r = 0; r < 4; r++)
        shortfont[66 * 8 + size_t(r)] = 0xFF;
    uint8_t *f = block_of(shortfont);
    gfx_set_font(f, uint32_t(shortfont.size()));
    Model want = screen_now();
    model_text(want, font, 10, 10, "A", true);
    gfx_text(10, 10, "AB", 2);
    EXPECT_EQ(diff(want), "");
    gfx_set_font(nullptr, 0);
    mem_free(f);
}

TEST_F(GfxText, EmptyFontBlockDrawsNothing)
{
    uint8_t *f = static_cast<uint8_t *>(mem_alloc(0));
    ASSERT_NE(f, nullptr);
    gfx_set_font(f, 0);
    gfx_text(10, 10, "\x00\x01\xDB", 3);
    EXPECT_TRUE(white_pixels().empty());
    gfx_set_font(nullptr, 0);
    mem_free(f);
}

TEST_F(GfxText, LongerFontBlockUsesTheFirst256Glyphs)
{
    Bytes big = font;
    big.resize(4096, 0xFF);
    uint8_t *f = block_of(big);
    gfx_set_font(f, uint32_t(big.size()));
    Model want = expect_text(0, 0, "\xFF\x01");
    gfx_text(0, 0, "\xFF\x01", 2);
    EXPECT_EQ(diff(want), "");
    gfx_set_font(nullptr, 0);
    mem_free(f);
}

// ---- text blocks ----------------------------------------------------------

TEST_F(GfxTextBlock, ParagraphAddsARowAfterNonEmptyLines)
{
    Model want = screen_now();
    model_text(want, font, 20, 16, "a", true);
    model_text(want, font, 20, 33, "b", true);  // 16 + 9 + 8
    gfx_text_paragraph(20, 16, "a\n\nb");
    EXPECT_EQ(diff(want), "");
}

TEST_F(GfxTextBlock, LeftAlignedAdvancesEightRows)
{
    Model want = screen_now();
    model_text(want, font, 20, 16, "a", true);
    model_text(want, font, 20, 32, "b", true);
    gfx_text_left(20, 16, "a\n\nb");
    EXPECT_EQ(diff(want), "");
}

TEST_F(GfxTextBlock, ParagraphSpacingOverSeveralLines)
{
    Model want = screen_now();
    model_text(want, font, 5, 0, "one", true);
    model_text(want, font, 5, 9, "two", true);
    model_text(want, font, 5, 26, "three", true);  // 9 + 8 (empty) + 9
    model_text(want, font, 5, 35, "four", true);
    gfx_text_paragraph(5, 0, "one\ntwo\n\nthree\nfour");
    EXPECT_EQ(diff(want), "");
}

TEST_F(GfxTextBlock, CentredLines)
{
    Model want = screen_now();
    model_text(want, font, 52, 40, "ab", true);    // 10 + (100 - 16) / 2
    model_text(want, font, 44, 48, "cdef", true);  // 10 + (100 - 32) / 2
    gfx_text_centred(10, 40, 100, "ab\ncdef");
    EXPECT_EQ(diff(want), "");
}

TEST_F(GfxTextBlock, CentredInAlmostTheWholeScreen)
{
    Model want = screen_now();
    model_text(want, font, 0 + 279, 200, "0123456789", true);
    gfx_text_centred(0, 200, 639, "0123456789");
    EXPECT_EQ(diff(want), "");
}

TEST_F(GfxTextBlock, WiderThanItsWidthStartsLeftTruncatingTowardZero)
{
    Model want = screen_now();
    model_text(want, font, 100 - 7, 10, "wxyz", true);  // (17 - 32) / 2 = -7
    gfx_text_centred(100, 10, 17, "wxyz");
    EXPECT_EQ(diff(want), "");
    // and off the left edge, where its pixels are skipped
    std::memset(screen_bits, 0, screen_size);
    want = screen_now();
    model_text(want, font, -7, 10, "wxyz", true);
    gfx_text_centred(0, 10, 17, "wxyz");
    EXPECT_EQ(diff(want), "");
}

TEST_F(GfxTextBlock, OddExcessRoundsTowardZero)
{
    Model want = screen_now();
    model_text(want, font, 100 + 1, 10, "ab", true);  // (19 - 16) / 2 = 1
    model_text(want, font, 100 - 6, 18, "abcd", true);  // (19 - 32) / 2 = -6
    gfx_text_centred(100, 10, 19, "ab\nabcd");
    EXPECT_EQ(diff(want), "");
}

TEST_F(GfxTextBlock, TrailingLineFeedDrawsNothingMore)
{
    Model want = screen_now();
    model_text(want, font, 30, 30, "end", true);
    gfx_text_paragraph(30, 30, "end\n");
    EXPECT_EQ(diff(want), "");
    EXPECT_EQ(repaints(), 1u);
}

TEST_F(GfxTextBlock, EmptyAndNullTextDrawNothing)
{
    gfx_text_paragraph(30, 30, "");
    gfx_text_centred(30, 30, 50, "\n\n");
    gfx_text_left(30, 30, "\n");
    gfx_text_left(30, 30, nullptr);
    gfx_text_paragraph(30, 30, nullptr);
    gfx_text_centred(30, 30, 50, nullptr);
    EXPECT_TRUE(white_pixels().empty());
    EXPECT_EQ(repaints(), 0u);
}

TEST_F(GfxTextBlock, CarriageReturnIsAGlyph)
{
    Model want = screen_now();
    model_text(want, font, 8, 8, "a\rb", true);
    model_text(want, font, 8, 16, "c", true);
    gfx_text_left(8, 8, "a\rb\nc");
    EXPECT_EQ(diff(want), "");
}

TEST_F(GfxTextBlock, LinesAreNeverWrapped)
{
    std::string line(100, 'm');  // 800 pixels: runs off the right edge
    Model want = screen_now();
    model_text(want, font, 0, 0, line, true);
    model_text(want, font, 0, 8, "n", true);
    gfx_text_left(0, 0, (line + "\nn").c_str());
    EXPECT_EQ(diff(want), "");
}

TEST_F(GfxTextBlock, DrawsInTheCurrentColour)
{
    gfx_set_colour(1);
    gfx_clear();
    gfx_set_colour(0);
    Model want = screen_now();
    model_text(want, font, 64, 64, "ink", false);
    model_text(want, font, 64, 72, "on", false);
    gfx_text_left(64, 64, "ink\non");
    EXPECT_EQ(diff(want), "");
}

}  // namespace
