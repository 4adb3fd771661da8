// The screen image is a valid BMP file, and F12 saves it.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <vector>

#include "tests/win32/temp_dir.h"
#include "win32/win32.h"

namespace {

std::vector<uint8_t> read_all(const char *name)
{
    std::ifstream in(name, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

void fill_image()
{
    std::memcpy(screen_image, screen_header_template, screen_header_size);
    for (int i = screen_header_size; i < screen_image_size; i++)
        screen_image[i] = (uint8_t)(i * 13 + 5);
}

TEST(ScreenImage, HeaderIsATopDownOneBitBmp)
{
    BITMAPFILEHEADER file;
    BITMAPINFOHEADER info;
    std::memcpy(&file, screen_header_template, sizeof file);
    std::memcpy(&info, screen_header_template + 14, sizeof info);
    EXPECT_EQ(sizeof file + sizeof info, 54u);
    EXPECT_EQ(file.bfType, 0x4D42);
    EXPECT_EQ(file.bfSize, 38462u);
    EXPECT_EQ(file.bfReserved1, 0);
    EXPECT_EQ(file.bfReserved2, 0);
    EXPECT_EQ(file.bfOffBits, 62u);
    EXPECT_EQ(info.biSize, 40u);
    EXPECT_EQ(info.biWidth, 640);
    EXPECT_EQ(info.biHeight, -480);
    EXPECT_EQ(info.biPlanes, 1);
    EXPECT_EQ(info.biBitCount, 1);
    EXPECT_EQ(info.biCompression, (DWORD)BI_RGB);
    EXPECT_EQ(info.biSizeImage, 38400u);
    EXPECT_EQ(info.biXPelsPerMeter, 0);
    EXPECT_EQ(info.biYPelsPerMeter, 0);
    EXPECT_EQ(info.biClrUsed, 0u);
    EXPECT_EQ(info.biClrImportant, 0u);
    const uint8_t palette[8] = {0, 0, 0, 0, 255, 255, 255, 0};
    EXPECT_EQ(std::memcmp(screen_header_template + 54, palette, 8), 0);
    EXPECT_EQ(sizeof screen_image, 38462u);
}

// The numbering is the shared code's (tests/frontend/screenshot_test.cpp);
// here F12 writes this front end's screen image.
TEST(F12, SavesTheScreenImage)
{
    TempDir dir;
    fill_image();
    save_screenshot();
    std::vector<uint8_t> saved = read_all("00000001.bmp");
    ASSERT_EQ(saved.size(), 38462u);
    EXPECT_EQ(std::memcmp(saved.data(), screen_image, saved.size()), 0);
}

}  // namespace
