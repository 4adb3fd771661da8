// One-bit pictures: placing them, capturing screen regions, round trips,
// clipping at the screen edges and picture blocks shorter than their header.
#include "tests/unit/graphics_support.h"

using namespace gfxtest;

namespace {

using GfxImage = GraphicsTest;

uint8_t pattern(unsigned i, unsigned k) { return uint8_t(noise(i * 131 + k) | (k == 0 ? 0x80 : 0)); }

unsigned u16_at(const uint8_t *p) { return p[0] | p[1] << 8; }

TEST_F(GfxImage, StrideIsRowLengthRoundedUpToFour)
{
    EXPECT_EQ(bitmap_stride(1), 4u);
    EXPECT_EQ(bitmap_stride(8), 4u);
    EXPECT_EQ(bitmap_stride(32), 4u);
    EXPECT_EQ(bitmap_stride(33), 8u);
    EXPECT_EQ(bitmap_stride(112), 16u);
    EXPECT_EQ(bitmap_stride(352), 44u);
    EXPECT_EQ(bitmap_stride(640), 80u);
    EXPECT_EQ(bitmap_stride(65535), 8192u);
}

TEST_F(GfxImage, CaptureLayout)
{
    fill_screen_with_noise(21);
    uint8_t *pic = static_cast<uint8_t *>(gfx_get_image(8, 10, 112, 50));
    ASSERT_NE(pic, nullptr);
    ASSERT_EQ(bitmap_size(112, 50), 862u);
    for (int i = 0; i < 62; i++) {
        uint8_t want = i == 18 ? 0x70 : i == 22 ? 0x32 : 0x00;
        EXPECT_EQ(pic[i], want) << "header byte " << i;
    }
    for (int i = 0; i < 50; i++) {
        const uint8_t *row = pic + 62 + 16 * i;
        int sy = 59 - i;  // stored bottom row first
        for (int k = 0; k < 14; k++)
            ASSERT_EQ(row[k], screen_bits[sy * 80 + 1 + k]) << "stored row " << i << " byte " << k;
        EXPECT_EQ(row[14], 0);
        EXPECT_EQ(row[15], 0);
    }
    mem_free(pic);
}

TEST_F(GfxImage, CaptureOfZeroSizeIsNull)
{
    uint64_t before = headless::current().allocations;
    EXPECT_EQ(gfx_get_image(8, 10, 0, 50), nullptr);
    EXPECT_EQ(gfx_get_image(8, 10, 112, 0), nullptr);
    EXPECT_EQ(gfx_get_image(0, 0, 0, 0), nullptr);
    EXPECT_EQ(headless::current().allocations, before) << "nothing may be allocated";
}

TEST_F(GfxImage, CaptureFailsWhenMemoryRunsOut)
{
    headless::current().fail_allocation = headless::current().allocations + 1;
    EXPECT_EQ(gfx_get_image(0, 0, 16, 16), nullptr);
    EXPECT_EQ(repaints(), 0u);
}

TEST_F(GfxImage, CaptureSizesForOddWidths)
{
    void *a = gfx_get_image(0, 0, 1, 3);
    void *b = gfx_get_image(0, 0, 33, 2);
    void *c = gfx_get_image(0, 0, 640, 480);
    ASSERT_TRUE(a && b && c);
    EXPECT_EQ(bitmap_size(1, 3), 62u + 4 * 3);
    EXPECT_EQ(bitmap_size(33, 2), 62u + 8 * 2);
    EXPECT_EQ(bitmap_size(640, 480), 62u + 80 * 480);
    // each block is as long as that: its last byte is padding
    EXPECT_EQ(static_cast<uint8_t *>(a)[bitmap_size(1, 3) - 1], 0);
    EXPECT_EQ(static_cast<uint8_t *>(b)[bitmap_size(33, 2) - 1], 0);
    EXPECT_EQ(u16_at(static_cast<uint8_t *>(c) + 18), 640u);
    EXPECT_EQ(u16_at(static_cast<uint8_t *>(c) + 22), 480u);
    mem_free(a);
    mem_free(b);
    mem_free(c);
}

TEST_F(GfxImage, WholeScreenCaptureIsTheScreenUpsideDown)
{
    fill_screen_with_noise(4);
    uint8_t *pic = static_cast<uint8_t *>(gfx_get_image(0, 0, 640, 480));
    ASSERT_NE(pic, nullptr);
    for (int i = 0; i < 480; i++)
        ASSERT_EQ(std::memcmp(pic + 62 + 80 * i, screen_bits + 80 * (479 - i), 80), 0) << "stored row " << i;
    mem_free(pic);
}

TEST_F(GfxImage, PutPlacesRowsBottomUp)
{
    Bytes bytes = picture_bytes(24, 5, pattern);
    uint8_t *pic = block_of(bytes);
    gfx_put_image(16, 100, pic, uint32_t(bytes.size()));
    for (int i = 0; i < 5; i++)
        for (int k = 0; k < 3; k++)
            EXPECT_EQ(screen_bits[(104 - i) * 80 + 2 + k], pattern(unsigned(i), unsigned(k)))
                << "stored row " << i << " byte " << k;
    Model want;
    model_put(want, 16, 100, bytes, bytes.size());
    EXPECT_EQ(diff(want), "");
    mem_free(pic);
}

TEST_F(GfxImage, PutIsOpaqueAndIgnoresTheColour)
{
    fill_screen_with_noise(9);
    Bytes bytes = picture_bytes(64, 20, [](unsigned i, unsigned k) { return uint8_t(i & 1 ? 0x00 : 0xFF ^ k); });
    uint8_t *pic = block_of(bytes);
    Model want = screen_now();
    model_put(want, 320, 240, bytes, bytes.size());
    gfx_set_colour(1);
    gfx_put_image(320, 240, pic, uint32_t(bytes.size()));
    EXPECT_EQ(diff(want), "");
    gfx_set_colour(0);
    gfx_put_image(320, 240, pic, uint32_t(bytes.size()));
    EXPECT_EQ(diff(want), "");
    mem_free(pic);
}

TEST_F(GfxImage, OnlyWidthAndHeightOfTheHeaderCount)
{
    // junk everywhere else, and the high halves of the 32-bit fields set
    Bytes bytes = picture_bytes(16, 2, pattern);
    bytes[20] = bytes[21] = 0xFF;
    bytes[24] = bytes[25] = 0xFF;
    uint8_t *pic = block_of(bytes);
    gfx_put_image(0, 0, pic, uint32_t(bytes.size()));
    Model want;
    model_put(want, 0, 0, bytes, bytes.size());
    EXPECT_EQ(diff(want), "");
    EXPECT_EQ(screen_bits[1 * 80], pattern(0, 0));
    EXPECT_EQ(screen_bits[0], pattern(1, 0));
    mem_free(pic);
}

TEST_F(GfxImage, XIsRoundedDownToAByte)
{
    Bytes bytes = picture_bytes(40, 7, pattern);
    uint8_t *pic = block_of(bytes);
    gfx_put_image(8, 30, pic, uint32_t(bytes.size()));
    Model at8 = screen_now();
    for (int x = 9; x < 16; x++) {
        std::memset(screen_bits, 0, screen_size);
        gfx_put_image(x, 30, pic, uint32_t(bytes.size()));
        EXPECT_EQ(diff(at8), "") << "x=" << x;
    }
    mem_free(pic);
}

TEST_F(GfxImage, NegativeXFloors)
{
    // x = -1 lies in byte column -1: the row's first byte is off the screen,
    // its second lands in column 0
    Bytes bytes = picture_bytes(24, 3, pattern);
    uint8_t *pic = block_of(bytes);
    gfx_put_image(-1, 10, pic, uint32_t(bytes.size()));
    for (int i = 0; i < 3; i++) {
        EXPECT_EQ(screen_bits[(12 - i) * 80 + 0], pattern(unsigned(i), 1));
        EXPECT_EQ(screen_bits[(12 - i) * 80 + 1], pattern(unsigned(i), 2));
        EXPECT_EQ(screen_bits[(12 - i) * 80 + 2], 0);
        EXPECT_EQ(screen_bits[(12 - i) * 80 - 1], 0) << "wrapped into the row above";
    }
    Model want;
    model_put(want, -8, 10, bytes, bytes.size());
    EXPECT_EQ(diff(want), "");
    std::memset(screen_bits, 0, screen_size);
    gfx_put_image(-8, 10, pic, uint32_t(bytes.size()));
    EXPECT_EQ(diff(want), "");
    mem_free(pic);
}

TEST_F(GfxImage, NarrowPictureOverwritesItsWholeByte)
{
    gfx_set_colour(1);
    gfx_clear();
    // width 4: the picture's 4 pixels are black, the 4 to its right take the
    // trailing bits 0101
    Bytes bytes = picture_bytes(4, 2, [](unsigned, unsigned) { return 0x05; });
    uint8_t *pic = block_of(bytes);
    gfx_put_image(80, 0, pic, uint32_t(bytes.size()));
    EXPECT_EQ(screen_bits[10], 0x05);
    EXPECT_EQ(screen_bits[90], 0x05);
    EXPECT_EQ(screen_bits[9], 0xFF);
    EXPECT_EQ(screen_bits[11], 0xFF);
    EXPECT_EQ(screen_bits[170], 0xFF);
    mem_free(pic);
}

TEST_F(GfxImage, WidthOneUsesAStrideOfFour)
{
    // exactly 62 + 4 * 3 bytes: the rows are 4 bytes apart
    Bytes bytes = picture_bytes(1, 3, [](unsigned i, unsigned) { return uint8_t(0x81 + i); });
    ASSERT_EQ(bytes.size(), 74u);
    uint8_t *pic = block_of(bytes);
    gfx_put_image(0, 0, pic, uint32_t(bytes.size()));
    EXPECT_EQ(screen_bits[0], 0x83);
    EXPECT_EQ(screen_bits[80], 0x82);
    EXPECT_EQ(screen_bits[160], 0x81);
    EXPECT_EQ(screen_bits[1], 0x00);
    mem_free(pic);
}

TEST_F(GfxImage, WidthThirtyThreeUsesAStrideOfEight)
{
    Bytes bytes = picture_bytes(33, 4, pattern);
    ASSERT_EQ(bytes.size(), 62u + 8 * 4);
    uint8_t *pic = block_of(bytes);
    gfx_put_image(200, 300, pic, uint32_t(bytes.size()));
    Model want;
    model_put(want, 200, 300, bytes, bytes.size());
    EXPECT_EQ(diff(want), "");
    for (int k = 0; k < 5; k++)
        EXPECT_EQ(screen_bits[303 * 80 + 25 + k], pattern(0, unsigned(k)));
    EXPECT_EQ(screen_bits[303 * 80 + 30], 0) << "padding was drawn";
    mem_free(pic);
}

TEST_F(GfxImage, RoundTripRestoresTheRegionTrailingBitsIncluded)
{
    const unsigned widths[] = {1, 4, 7, 8, 9, 33, 112, 113, 352, 640};
    for (unsigned w : widths) {
        fill_screen_with_noise(w);
        Model original = screen_now();
        int x = w > 600 ? 0 : 64 + int(w % 3);
        void *pic = gfx_get_image(x, 40, uint16_t(w), 50);
        ASSERT_NE(pic, nullptr);
        // wipe more than the region, then put the capture back
        gfx_set_colour(w & 1);
        gfx_bar(0, 30, 639, 100);
        gfx_put_image(x, 40, pic, bitmap_size(w, 50));
        Model want = original;
        for (int y = 30; y <= 100; y++)
            for (int b = 0; b < 80; b++) {
                bool inside = y >= 40 && y < 90 && b >= x / 8 && b < x / 8 + int((w + 7) / 8);
                if (!inside)
                    want.bytes[size_t(y * 80 + b)] = w & 1 ? 0xFF : 0x00;
            }
        EXPECT_EQ(diff(want), "") << "width " << w;
        mem_free(pic);
    }
}

TEST_F(GfxImage, CapturePutElsewhereCopiesTheRegion)
{
    fill_screen_with_noise(77);
    Model original = screen_now();
    void *pic = gfx_get_image(8, 10, 112, 50);
    ASSERT_NE(pic, nullptr);
    gfx_put_image(248, 150, pic, bitmap_size(112, 50));
    Model want = original;
    for (int y = 0; y < 50; y++)
        for (int k = 0; k < 14; k++)
            want.bytes[size_t((150 + y) * 80 + 31 + k)] = original.bytes[size_t((10 + y) * 80 + 1 + k)];
    EXPECT_EQ(diff(want), "");
    mem_free(pic);
}

// Pictures hanging over each edge and corner: the on-screen part is drawn,
// nothing wraps or lands outside the buffer (the sanitizer build watches
// the buffer's bounds).
TEST_F(GfxImage, PutClippedAtEveryEdge)
{
    Bytes bytes = picture_bytes(48, 20, pattern);
    uint8_t *pic = block_of(bytes);
    const int places[][2] = {{-16, 100}, {-48, 100}, {-47, 100}, {616, 100}, {632, 100}, {640, 100},
                             {300, -10}, {300, -20}, {300, -19}, {300, 470}, {300, 479}, {300, 480},
                             {-24, -5},  {624, -5},  {-24, 475}, {624, 475}, {-100000, 0}, {100000, 0},
                             {0, -100000}, {0, 100000}, {-2147483647 - 1, -2147483647 - 1},
                             {2147483647, 2147483647}};
    for (auto &p : places) {
        fill_screen_with_noise(uint32_t(p[0]) + uint32_t(p[1]));
        Model want = screen_now();
        model_put(want, p[0], p[1], bytes, bytes.size());
        gfx_put_image(p[0], p[1], pic, uint32_t(bytes.size()));
        EXPECT_EQ(diff(want), "") << "picture at (" << p[0] << "," << p[1] << ")";
    }
    mem_free(pic);
}

TEST_F(GfxImage, PutWiderThanTheScreen)
{
    Bytes bytes = picture_bytes(800, 3, pattern);
    uint8_t *pic = block_of(bytes);
    Model want;
    model_put(want, -40, 0, bytes, bytes.size());
    gfx_put_image(-40, 0, pic, uint32_t(bytes.size()));
    EXPECT_EQ(diff(want), "");
    mem_free(pic);
}

TEST_F(GfxImage, CaptureClippedAtEveryEdge)
{
    fill_screen_with_noise(8);
    const int places[][2] = {{-16, 100}, {-40, 100}, {616, 100}, {640, 100}, {300, -10},
                             {300, 470}, {-24, -5},  {624, 475}, {-100000, -100000}};
    for (auto &p : places) {
        uint8_t *pic = static_cast<uint8_t *>(gfx_get_image(p[0], p[1], 40, 20));
        if (!pic)
            continue;  // refusing a region off the screen is allowed
        ASSERT_EQ(bitmap_size(40, 20), 62u + 8 * 20);
        int column = p[0] >= 0 ? p[0] / 8 : -((-p[0] + 7) / 8);
        for (int i = 0; i < 20; i++) {
            int sy = p[1] + 19 - i;
            for (int k = 0; k < 5; k++) {
                int sc = column + k;
                if (sy >= 0 && sy < 480 && sc >= 0 && sc < 80) {
                    EXPECT_EQ(pic[62 + 8 * i + k], screen_bits[sy * 80 + sc])
                        << "capture at (" << p[0] << "," << p[1] << ") row " << i << " byte " << k;
                }
            }
            EXPECT_EQ(pic[62 + 8 * i + 5], 0);
            EXPECT_EQ(pic[62 + 8 * i + 7], 0);
        }
        mem_free(pic);
    }
}

// A picture block that ends before the rows its header promises: the rows
// it holds are drawn (bottom rows first), the missing ones are neither
// drawn nor read.
TEST_F(GfxImage, ShortPictureBlockDrawsOnlyItsRows)
{
    Bytes full = picture_bytes(32, 10, pattern);  // stride 4
    for (size_t size : {size_t(62 + 4 * 3), size_t(62 + 4 * 3 + 2), size_t(62 + 4 * 3 + 3), size_t(62)}) {
        fill_screen_with_noise(uint32_t(size));
        Model want = screen_now();
        model_put(want, 80, 200, full, size);
        Bytes cut(full.begin(), full.begin() + long(size));
        uint8_t *pic = block_of(cut);
        gfx_put_image(80, 200, pic, uint32_t(cut.size()));
        EXPECT_EQ(diff(want), "") << "block of " << size << " bytes";
        mem_free(pic);
    }
}

TEST_F(GfxImage, LastRowWithoutPaddingIsDrawn)
{
    // the padding of the last row is never read, so it may be missing
    Bytes full = picture_bytes(8, 4, pattern);  // row length 1, stride 4
    Bytes cut(full.begin(), full.end() - 3);
    uint8_t *pic = block_of(cut);
    gfx_put_image(0, 0, pic, uint32_t(cut.size()));
    Model want;
    model_put(want, 0, 0, full, full.size());
    EXPECT_EQ(diff(want), "");
    EXPECT_EQ(screen_bits[0], pattern(3, 0));
    mem_free(pic);
}

TEST_F(GfxImage, BlockShorterThanItsHeaderDrawsNothing)
{
    Bytes full = picture_bytes(32, 10, pattern);
    for (size_t size : {size_t(0), size_t(1), size_t(19), size_t(23), size_t(61)}) {
        fill_screen_with_noise(uint32_t(size));
        Model want = screen_now();
        Bytes cut(full.begin(), full.begin() + long(size));
        uint8_t *pic = static_cast<uint8_t *>(mem_alloc(uint32_t(size)));
        ASSERT_NE(pic, nullptr);
        if (size)
            std::memcpy(pic, cut.data(), size);
        gfx_put_image(0, 0, pic, uint32_t(size));
        EXPECT_EQ(diff(want), "") << "block of " << size << " bytes";
        mem_free(pic);
    }
}

TEST_F(GfxImage, HugeHeaderOnASmallBlock)
{
    // 65535 x 65535 promised, one row present
    Bytes bytes = picture_bytes(16, 1, pattern);
    bytes[18] = bytes[19] = bytes[22] = bytes[23] = 0xFF;
    uint8_t *pic = block_of(bytes);
    fill_screen_with_noise(2);
    Model want = screen_now();
    gfx_put_image(0, 0, pic, uint32_t(bytes.size()));
    EXPECT_EQ(diff(want), "");  // row 0 alone needs 8,192 bytes: nothing fits
    mem_free(pic);
}

TEST_F(GfxImage, NullPictureDrawsNothing)
{
    fill_screen_with_noise(1);
    Model want = screen_now();
    gfx_put_image(0, 0, nullptr, 0);
    gfx_put_image(0, 0, nullptr, 1000);
    EXPECT_EQ(diff(want), "");
}

TEST_F(GfxImage, ZeroSizedPictureDrawsNothing)
{
    fill_screen_with_noise(1);
    Model want = screen_now();
    Bytes empty_width = picture_bytes(0, 5, pattern), empty_height = picture_bytes(16, 0, pattern);
    uint8_t *a = block_of(empty_width);
    uint8_t *b = block_of(empty_height);
    gfx_put_image(0, 0, a, uint32_t(empty_width.size()));
    gfx_put_image(0, 0, b, uint32_t(empty_height.size()));
    EXPECT_EQ(diff(want), "");
    mem_free(a);
    mem_free(b);
}

}  // namespace
