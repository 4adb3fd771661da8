// The BMP header every front end puts in front of the screen: the screenshot
// format all builds share and all end-to-end comparisons rest on.
#include "frontend/screen_bmp.h"

#include <gtest/gtest.h>

namespace {

uint32_t le32(const uint8_t *p) { return p[0] | p[1] << 8 | p[2] << 16 | uint32_t(p[3]) << 24; }

}  // namespace

TEST(ScreenHeader, IsATopDownOneBitBmpOfTheWholeScreen)
{
    static_assert(screen_image_size == 38462, "header and buffer");
    const uint8_t *h = screen_header_template;
    EXPECT_EQ(h[0], 'B');
    EXPECT_EQ(h[1], 'M');
    EXPECT_EQ(le32(h + 2), 38462u);
    EXPECT_EQ(le32(h + 6), 0u);
    EXPECT_EQ(le32(h + 10), 62u);
    EXPECT_EQ(le32(h + 14), 40u);
    EXPECT_EQ(le32(h + 18), 640u);
    EXPECT_EQ(int32_t(le32(h + 22)), -480);
    EXPECT_EQ(h[26] | h[27] << 8, 1);
    EXPECT_EQ(h[28] | h[29] << 8, 1);
    EXPECT_EQ(le32(h + 30), 0u);
    EXPECT_EQ(le32(h + 34), 38400u);
    EXPECT_EQ(le32(h + 46), 0u);  // all colours used
    EXPECT_EQ(le32(h + 54), 0x00000000u);  // index 0 black
    EXPECT_EQ(le32(h + 58), 0x00FFFFFFu);  // index 1 white
}
