// Which drawing operations ask for a repaint, and how often; and that
// nothing is drawn or repainted while no display is open.
#include "tests/unit/graphics_support.h"

using namespace gfxtest;

namespace {

using GfxRepaint = GraphicsTest;

TEST_F(GfxRepaint, ClearOnce)
{
    gfx_clear();
    EXPECT_EQ(repaints(), 1u);
}

TEST_F(GfxRepaint, PlotLineColourNever)
{
    gfx_set_colour(1);
    gfx_plot(1, 1);
    gfx_plot(-1, 1);
    gfx_line(0, 0, 639, 479);
    gfx_line(-5, -5, -1, -1);
    gfx_set_colour(0);
    EXPECT_EQ(repaints(), 0u);
}

TEST_F(GfxRepaint, RectAndBarOnceEach)
{
    gfx_rect(10, 10, 100, 100);
    EXPECT_EQ(repaints(), 1u);
    gfx_bar(0, 0, 639, 49);  // 50 rows, one request
    EXPECT_EQ(repaints(), 2u);
    gfx_bar(-100, -100, -50, -50);  // wholly off the screen
    EXPECT_EQ(repaints(), 3u);
    gfx_rect(5, 5, 5, 5);
    EXPECT_EQ(repaints(), 4u);
}

TEST_F(GfxRepaint, TextOncePerCallWhateverItDraws)
{
    Bytes font = font_bytes();
    gfx_text(0, 0, "ab", 2);  // no font yet
    EXPECT_EQ(repaints(), 1u);
    uint8_t *f = block_of(font);
    gfx_set_font(f, uint32_t(font.size()));
    EXPECT_EQ(repaints(), 1u);  // selecting a font asks for nothing
    gfx_text(0, 0, "abc", 3);
    EXPECT_EQ(repaints(), 2u);
    gfx_text(0, 0, "abc", 0);
    EXPECT_EQ(repaints(), 3u);
    gfx_text(0, 0, "abc", -4);
    EXPECT_EQ(repaints(), 4u);
    gfx_text(-900, -900, "abc", 3);  // wholly off the screen
    EXPECT_EQ(repaints(), 5u);
    gfx_set_font(nullptr, 0);
    mem_free(f);
}

TEST_F(GfxRepaint, TextBlockOncePerNonEmptyLine)
{
    uint8_t *f = block_of(font_bytes());
    gfx_set_font(f, font_size);
    struct Case {
        const char *text;
        unsigned lines;
    } cases[] = {{"", 0}, {"\n", 0}, {"\n\n\n", 0}, {"a", 1}, {"a\n", 1}, {"a\n\nb", 2},
                 {"\nab\ncd\n", 2}, {"one\ntwo\nthree", 3}, {"\r", 1}};
    for (int layout = 0; layout < 3; layout++) {
        for (const Case &c : cases) {
            headless::current().repaints = 0;
            if (layout == 0)
                gfx_text_left(10, 10, c.text);
            else if (layout == 1)
                gfx_text_paragraph(10, 10, c.text);
            else
                gfx_text_centred(10, 10, 100, c.text);
            EXPECT_EQ(repaints(), c.lines) << "text '" << c.text << "' layout " << layout;
        }
    }
    headless::current().repaints = 0;
    gfx_text_left(10, 10, nullptr);
    EXPECT_EQ(repaints(), 0u);
    gfx_set_font(nullptr, 0);
    gfx_text_left(10, 10, "ab\ncd");  // lines without a font still ask
    EXPECT_EQ(repaints(), 2u);
    mem_free(f);
}

TEST_F(GfxRepaint, PutImageOncePerCallEvenForNull)
{
    gfx_put_image(0, 0, nullptr, 0);
    EXPECT_EQ(repaints(), 1u);
    Bytes bytes = picture_bytes(16, 4, [](unsigned, unsigned) { return 0xFF; });
    uint8_t *pic = block_of(bytes);
    gfx_put_image(8, 8, pic, uint32_t(bytes.size()));
    EXPECT_EQ(repaints(), 2u);
    gfx_put_image(-1000, -1000, pic, uint32_t(bytes.size()));
    EXPECT_EQ(repaints(), 3u);
    mem_free(pic);
}

TEST_F(GfxRepaint, GetImageAndSetFontNever)
{
    void *pic = gfx_get_image(0, 0, 64, 16);
    ASSERT_NE(pic, nullptr);
    mem_free(pic);
    uint8_t *f = block_of(font_bytes());
    gfx_set_font(f, font_size);
    gfx_set_font(nullptr, 0);
    mem_free(f);
    EXPECT_EQ(repaints(), 0u);
}

// With the display closed every operation must leave the old buffer alone
// and ask for nothing.
TEST_F(GfxRepaint, NothingWithoutADisplay)
{
    uint8_t *buffer = screen_bits;
    fill_screen_with_noise(3);
    Bytes before(buffer, buffer + screen_size);
    uint8_t *f = block_of(font_bytes());
    Bytes picture = picture_bytes(32, 8, [](unsigned i, unsigned k) { return uint8_t(i * 8 + k); });
    uint8_t *pic = block_of(picture);
    video_close();
    ASSERT_EQ(video_is_open, 0);
    headless::current().repaints = 0;

    gfx_set_font(f, font_size);
    for (int colour : {0, 1}) {
        gfx_set_colour(uint8_t(colour));
        gfx_clear();
        gfx_plot(0, 0);
        gfx_plot(639, 479);
        gfx_line(0, 0, 639, 479);
        gfx_rect(1, 1, 600, 400);
        gfx_bar(0, 0, 639, 479);
        gfx_text(0, 0, "\xDB\xDB\xDB", 3);
        gfx_text_paragraph(0, 100, "abc\ndef");
        gfx_text_centred(0, 100, 200, "abc\ndef");
        gfx_put_image(0, 0, pic, uint32_t(picture.size()));
        gfx_put_image(0, 0, nullptr, 0);
        EXPECT_EQ(gfx_get_image(0, 0, 64, 64), nullptr);
    }
    EXPECT_EQ(repaints(), 0u);
    EXPECT_TRUE(Bytes(buffer, buffer + screen_size) == before) << "the closed screen was written";
    gfx_set_font(nullptr, 0);
    mem_free(f);
    mem_free(pic);
}

}  // namespace
