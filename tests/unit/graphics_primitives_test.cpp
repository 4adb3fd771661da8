// Colour, clear, plot, line, rect and bar on the one-bit screen buffer.
#include "tests/unit/graphics_support.h"

#include <cstdlib>
#include <utility>

using namespace gfxtest;

namespace {

using GfxPlot = GraphicsTest;
using GfxColour = GraphicsTest;
using GfxLine = GraphicsTest;
using GfxRectBar = GraphicsTest;

// The pixels a white line leaves on a black screen.
PixelSet line_pixels(int x1, int y1, int x2, int y2)
{
    std::memset(screen_bits, 0, screen_size);
    gfx_set_colour(1);
    gfx_line(x1, y1, x2, y2);
    return white_pixels();
}

TEST_F(GfxPlot, LastPixelIsBitZeroOfLastByte)
{
    white();
    gfx_plot(639, 479);
    EXPECT_EQ(screen_bits[38399], 0x01);
    EXPECT_EQ(white_pixels(), (PixelSet{{639, 479}}));
}

TEST_F(GfxPlot, FirstPixelIsBitSevenOfFirstByte)
{
    white();
    gfx_plot(0, 0);
    EXPECT_EQ(screen_bits[0], 0x80);
    EXPECT_EQ(white_pixels(), (PixelSet{{0, 0}}));
}

TEST_F(GfxPlot, ByteEdges)
{
    white();
    gfx_plot(8, 0);
    EXPECT_EQ(screen_bits[1], 0x80);
    EXPECT_EQ(screen_bits[0], 0x00);
    gfx_plot(7, 1);
    EXPECT_EQ(screen_bits[80], 0x01);
    EXPECT_EQ(screen_bits[79], 0x00);
    EXPECT_EQ(screen_bits[81], 0x00);
    EXPECT_EQ(white_pixels(), (PixelSet{{8, 0}, {7, 1}}));
}

TEST_F(GfxPlot, EveryBitOfOneByte)
{
    white();
    for (int x = 16; x < 24; x++) {
        std::memset(screen_bits, 0, screen_size);
        gfx_plot(x, 3);
        EXPECT_EQ(screen_bits[3 * 80 + 2], 0x80 >> (x - 16)) << "x=" << x;
        EXPECT_EQ(white_pixels().size(), 1u);
    }
}

TEST_F(GfxPlot, OffScreenChangesNothing)
{
    white();
    fill_screen_with_noise(1);
    Model before = screen_now();
    const int points[][2] = {{640, 0}, {-1, 0}, {0, 480}, {0, -1}, {-1, -1}, {640, 480},
                             {100000, 5}, {5, -100000}, {-2147483647 - 1, 0}, {0, 2147483647}};
    for (auto &p : points)
        gfx_plot(p[0], p[1]);
    gfx_set_colour(0);
    for (auto &p : points)
        gfx_plot(p[0], p[1]);
    EXPECT_EQ(diff(before), "");
}

TEST_F(GfxPlot, BlackClearsExactlyOneBit)
{
    gfx_set_colour(1);
    gfx_clear();
    gfx_set_colour(0);
    gfx_plot(13, 7);
    EXPECT_EQ(screen_bits[7 * 80 + 1], 0xFF & ~0x04);
    size_t black = 0;
    for (uint32_t i = 0; i < screen_size; i++)
        black += size_t(__builtin_popcount(uint8_t(~screen_bits[i])));
    EXPECT_EQ(black, 1u);
}

TEST_F(GfxPlot, PlottingTwiceChangesNothingMore)
{
    white();
    gfx_plot(300, 200);
    gfx_plot(300, 200);
    EXPECT_EQ(white_pixels(), (PixelSet{{300, 200}}));
    gfx_set_colour(0);
    gfx_plot(300, 200);
    EXPECT_TRUE(white_pixels().empty());
}

TEST_F(GfxColour, ZeroIsBlackAnyOtherValueWhite)
{
    EXPECT_EQ(draw_colour, 0x00);  // at start
    gfx_set_colour(1);
    EXPECT_EQ(draw_colour, 0xFF);
    gfx_set_colour(0);
    EXPECT_EQ(draw_colour, 0x00);
    gfx_set_colour(2);
    EXPECT_EQ(draw_colour, 0xFF);
    gfx_set_colour(0x80);
    EXPECT_EQ(draw_colour, 0xFF);
    gfx_set_colour(0xFF);
    EXPECT_EQ(draw_colour, 0xFF);
}

TEST_F(GfxColour, ColourTwoPlotsWhite)
{
    gfx_set_colour(2);
    gfx_plot(9, 0);
    EXPECT_EQ(screen_bits[1], 0x40);
}

TEST_F(GfxColour, ClearFillsWholeBufferInCurrentColour)
{
    fill_screen_with_noise(7);
    gfx_set_colour(1);
    gfx_clear();
    for (uint32_t i = 0; i < screen_size; i++)
        ASSERT_EQ(screen_bits[i], 0xFF) << "byte " << i;
    gfx_set_colour(2);
    gfx_clear();
    for (uint32_t i = 0; i < screen_size; i++)
        ASSERT_EQ(screen_bits[i], 0xFF) << "byte " << i;
    gfx_set_colour(0);
    gfx_clear();
    for (uint32_t i = 0; i < screen_size; i++)
        ASSERT_EQ(screen_bits[i], 0x00) << "byte " << i;
}

TEST_F(GfxColour, VideoOpenClearsInCurrentColour)
{
    fill_screen_with_noise(0);
    video_close();
    gfx_set_colour(1);
    ASSERT_EQ(video_open(), 1);
    for (uint32_t i = 0; i < screen_size; i++)
        ASSERT_EQ(screen_bits[i], 0xFF) << "byte " << i;
}

struct LineCase {
    int x1, y1, x2, y2;
    PixelSet pixels;
};

// The worked examples: ties step the minor axis, whichever endpoint comes first.
const LineCase line_table[] = {
    {0, 0, 4, 2, {{0, 0}, {1, 1}, {2, 1}, {3, 2}, {4, 2}}},
    {4, 0, 0, 2, {{4, 0}, {3, 1}, {2, 1}, {1, 2}, {0, 2}}},
    {0, 2, 4, 0, {{4, 0}, {3, 1}, {2, 1}, {1, 2}, {0, 2}}},
    {0, 0, 2, 4, {{0, 0}, {1, 1}, {1, 2}, {2, 3}, {2, 4}}},
    {0, 0, 6, 1, {{0, 0}, {1, 0}, {2, 0}, {3, 1}, {4, 1}, {5, 1}, {6, 1}}},
    {0, 0, 1, 6, {{0, 0}, {0, 1}, {0, 2}, {1, 3}, {1, 4}, {1, 5}, {1, 6}}},
    {0, 0, 7, 3, {{0, 0}, {1, 0}, {2, 1}, {3, 1}, {4, 2}, {5, 2}, {6, 3}, {7, 3}}},
    {0, 0, 3, 3, {{0, 0}, {1, 1}, {2, 2}, {3, 3}}},
};

TEST_F(GfxLine, WorkedExamplesPixelForPixel)
{
    for (const LineCase &c : line_table) {
        EXPECT_EQ(describe(line_pixels(c.x1, c.y1, c.x2, c.y2)), describe(c.pixels))
            << "line (" << c.x1 << "," << c.y1 << ")-(" << c.x2 << "," << c.y2 << ")";
        EXPECT_EQ(describe(line_pixels(c.x2, c.y2, c.x1, c.y1)), describe(c.pixels))
            << "line (" << c.x2 << "," << c.y2 << ")-(" << c.x1 << "," << c.y1 << ")";
    }
}

TEST_F(GfxLine, WorkedExamplesAwayFromTheOrigin)
{
    // the same shapes anywhere on the screen, mirrored left to right too
    for (const LineCase &c : line_table) {
        const int ox = 301, oy = 117;
        PixelSet moved, mirrored;
        for (const Pixel &p : c.pixels) {
            moved.insert({p.first + ox, p.second + oy});
            mirrored.insert({ox - p.first, p.second + oy});
        }
        EXPECT_EQ(line_pixels(c.x1 + ox, c.y1 + oy, c.x2 + ox, c.y2 + oy), moved);
        EXPECT_EQ(line_pixels(ox - c.x1, c.y1 + oy, ox - c.x2, c.y2 + oy), mirrored);
        EXPECT_EQ(line_pixels(ox - c.x2, c.y2 + oy, ox - c.x1, c.y1 + oy), mirrored);
    }
}

TEST_F(GfxLine, SinglePoint)
{
    EXPECT_EQ(line_pixels(5, 5, 5, 5), (PixelSet{{5, 5}}));
}

TEST_F(GfxLine, HorizontalAndVerticalRuns)
{
    PixelSet h, v;
    for (int x = 10; x <= 20; x++)
        h.insert({x, 4});
    for (int y = 30; y <= 33; y++)
        v.insert({7, y});
    EXPECT_EQ(line_pixels(10, 4, 20, 4), h);
    EXPECT_EQ(line_pixels(20, 4, 10, 4), h);
    EXPECT_EQ(line_pixels(7, 33, 7, 30), v);
    EXPECT_EQ(line_pixels(7, 30, 7, 33), v);
}

TEST_F(GfxLine, OffScreenPixelsSkippedOneByOne)
{
    EXPECT_EQ(line_pixels(-2, 0, 2, 0), (PixelSet{{0, 0}, {1, 0}, {2, 0}}));
    EXPECT_EQ(line_pixels(637, 479, 642, 479), (PixelSet{{637, 479}, {638, 479}, {639, 479}}));
    EXPECT_EQ(line_pixels(3, -3, 3, 1), (PixelSet{{3, 0}, {3, 1}}));
    // a diagonal that enters the screen at its corner keeps its on-screen part
    EXPECT_EQ(line_pixels(-3, -3, 2, 2), (PixelSet{{0, 0}, {1, 1}, {2, 2}}));
    // nothing wraps into the neighbouring row
    EXPECT_EQ(line_pixels(636, 10, 645, 10), (PixelSet{{636, 10}, {637, 10}, {638, 10}, {639, 10}}));
    EXPECT_TRUE(line_pixels(-50, -1, 700, -1).empty());
    EXPECT_TRUE(line_pixels(-5000, 480, 5000, 600).empty());
}

TEST_F(GfxLine, BlackLineClearsOnlyItsPixels)
{
    gfx_set_colour(1);
    gfx_clear();
    gfx_set_colour(0);
    gfx_line(0, 0, 4, 2);
    Model want;
    std::memset(want.bytes.data(), 0xFF, screen_size);
    for (const Pixel &p : line_table[0].pixels)
        want.set(p.first, p.second, false);
    EXPECT_EQ(diff(want), "");
}

// Properties of every line: endpoints drawn, one pixel per step of the
// longer axis, 8-connected, same pixels in both directions.
TEST_F(GfxLine, PropertiesOfManyLines)
{
    std::srand(12345);
    for (int n = 0; n < 400; n++) {
        int x1 = std::rand() % 640, y1 = std::rand() % 480;
        int x2 = std::rand() % 2 ? x1 + std::rand() % 41 - 20 : std::rand() % 640;
        int y2 = std::rand() % 2 ? y1 + std::rand() % 41 - 20 : std::rand() % 480;
        x2 = std::max(0, std::min(639, x2));
        y2 = std::max(0, std::min(479, y2));
        PixelSet a = line_pixels(x1, y1, x2, y2);
        PixelSet b = line_pixels(x2, y2, x1, y1);
        std::string where = "line (" + std::to_string(x1) + "," + std::to_string(y1) + ")-(" +
                            std::to_string(x2) + "," + std::to_string(y2) + ")";
        ASSERT_EQ(a, b) << where;
        int dx = std::abs(x2 - x1), dy = std::abs(y2 - y1);
        ASSERT_EQ(a.size(), size_t(std::max(dx, dy) + 1)) << where;
        ASSERT_TRUE(a.count({x1, y1}) && a.count({x2, y2})) << where;
        // every pixel lies within half a pixel of the ideal line
        for (const Pixel &p : a) {
            double cross = double(p.first - x1) * (y2 - y1) - double(p.second - y1) * (x2 - x1);
            double len = std::max(dx, dy);
            ASSERT_LE(std::abs(cross) / (len ? len : 1), 0.5 + 1e-9) << where;
        }
    }
}

// The stepping rule written out: from the upper endpoint, error term
// 2*minor - major, a zero error steps the minor axis; off-screen pixels are
// skipped while the stepping goes on.
PixelSet reference_line(int x1, int y1, int x2, int y2)
{
    if (y1 > y2) {
        std::swap(x1, x2);
        std::swap(y1, y2);
    }
    int dx = std::abs(x2 - x1), dy = y2 - y1, sx = x2 > x1 ? 1 : x2 < x1 ? -1 : 0;
    int x = x1, y = y1;
    PixelSet out;
    auto plot = [&] {
        if (x >= 0 && y >= 0 && x < 640 && y < 480)
            out.insert({x, y});
    };
    if (dx >= dy) {
        for (int i = 0, e = 2 * dy - dx; i <= dx; i++) {
            plot();
            x += sx;
            e < 0 ? e += 2 * dy : (e += 2 * dy - 2 * dx, y++);
        }
    } else {
        for (int i = 0, e = 2 * dx - dy; i <= dy; i++) {
            plot();
            y++;
            e < 0 ? e += 2 * dx : (e += 2 * dx - 2 * dy, x += sx);
        }
    }
    return out;
}

TEST_F(GfxLine, AgreesWithTheSteppingRuleOnAndOffTheScreen)
{
    std::srand(777);
    for (int n = 0; n < 300; n++) {
        int x1 = std::rand() % 1400 - 380, y1 = std::rand() % 1100 - 310;
        int x2 = std::rand() % 1400 - 380, y2 = std::rand() % 1100 - 310;
        if (n % 3 == 0) {  // short lines show the tie-breaks best
            x2 = x1 + std::rand() % 15 - 7;
            y2 = y1 + std::rand() % 15 - 7;
        }
        ASSERT_EQ(line_pixels(x1, y1, x2, y2), reference_line(x1, y1, x2, y2))
            << "line (" << x1 << "," << y1 << ")-(" << x2 << "," << y2 << ")";
    }
}

TEST_F(GfxLine, HugeCoordinatesDrawOnlyTheOnScreenPart)
{
    // long lines cost time per pixel; bounded ones still must clip correctly
    EXPECT_EQ(line_pixels(-4000, 5, 4000, 5).size(), 640u);
    EXPECT_EQ(line_pixels(5, -4000, 5, 4000).size(), 480u);
}

TEST_F(GfxRectBar, RectOfOnePointIsOnePixel)
{
    white();
    gfx_rect(10, 10, 10, 10);
    EXPECT_EQ(white_pixels(), (PixelSet{{10, 10}}));
}

TEST_F(GfxRectBar, FlatRectIsARun)
{
    white();
    gfx_rect(10, 10, 12, 10);
    EXPECT_EQ(white_pixels(), (PixelSet{{10, 10}, {11, 10}, {12, 10}}));
}

TEST_F(GfxRectBar, RectIsTheOutlineOnly)
{
    white();
    gfx_rect(20, 30, 25, 33);
    PixelSet want;
    for (int x = 20; x <= 25; x++)
        want.insert({x, 30}), want.insert({x, 33});
    for (int y = 30; y <= 33; y++)
        want.insert({20, y}), want.insert({25, y});
    EXPECT_EQ(white_pixels(), want);
    // corners given in any order
    std::memset(screen_bits, 0, screen_size);
    gfx_rect(25, 33, 20, 30);
    EXPECT_EQ(white_pixels(), want);
}

TEST_F(GfxRectBar, RectAroundTheWholeScreen)
{
    white();
    gfx_rect(-1, -1, 640, 480);
    EXPECT_TRUE(white_pixels().empty());
    gfx_rect(0, 0, 639, 479);
    EXPECT_EQ(white_pixels().size(), size_t(2 * 640 + 2 * 478));
    EXPECT_EQ(screen_bits[0], 0xFF);
    EXPECT_EQ(screen_bits[38399], 0xFF);
    EXPECT_EQ(screen_bits[80], 0x80);
    EXPECT_EQ(screen_bits[159], 0x01);
}

TEST_F(GfxRectBar, BarFillsRowsInEitherOrder)
{
    white();
    gfx_bar(0, 20, 639, 10);
    for (int y = 0; y < 480; y++)
        for (int b = 0; b < 80; b++)
            ASSERT_EQ(screen_bits[y * 80 + b], y >= 10 && y <= 20 ? 0xFF : 0x00) << "row " << y << " byte " << b;
}

TEST_F(GfxRectBar, BarCoversItsRectangle)
{
    white();
    gfx_bar(13, 40, 3, 37);
    PixelSet want;
    for (int y = 37; y <= 40; y++)
        for (int x = 3; x <= 13; x++)
            want.insert({x, y});
    EXPECT_EQ(white_pixels(), want);
    EXPECT_EQ(want.size(), size_t((13 - 3 + 1) * (40 - 37 + 1)));
}

TEST_F(GfxRectBar, BarPartlyOffScreen)
{
    white();
    gfx_bar(-10, -10, 2, 1);
    EXPECT_EQ(white_pixels(), (PixelSet{{0, 0}, {1, 0}, {2, 0}, {0, 1}, {1, 1}, {2, 1}}));
    std::memset(screen_bits, 0, screen_size);
    gfx_bar(638, 478, 5000, 5000);
    EXPECT_EQ(white_pixels(), (PixelSet{{638, 478}, {639, 478}, {638, 479}, {639, 479}}));
    std::memset(screen_bits, 0, screen_size);
    gfx_bar(-5000, -5000, 5000, 5000);
    for (uint32_t i = 0; i < screen_size; i++)
        ASSERT_EQ(screen_bits[i], 0xFF);
}

TEST_F(GfxRectBar, BlackBarOnWhite)
{
    gfx_set_colour(1);
    gfx_clear();
    gfx_set_colour(0);
    gfx_bar(4, 2, 11, 2);
    EXPECT_EQ(screen_bits[160], 0xF0);
    EXPECT_EQ(screen_bits[161], 0x0F);
    EXPECT_EQ(screen_bits[162], 0xFF);
    EXPECT_EQ(screen_bits[80], 0xFF);
    EXPECT_EQ(screen_bits[240], 0xFF);
}

}  // namespace
