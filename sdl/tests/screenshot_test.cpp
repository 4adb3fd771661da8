// The numbered F12 screenshot files.
#include "sdl/screen_image.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

class InScratchDir : public ::testing::Test {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/meridoka-shot-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir = pattern;
        ASSERT_NE(getcwd(old, sizeof old), nullptr);
        ASSERT_EQ(chdir(dir.c_str()), 0);
    }
    void TearDown() override
    {
        ASSERT_EQ(chdir(old), 0);
        ASSERT_EQ(system(("rm -rf " + dir).c_str()), 0);
    }
    std::string dir;
    char old[4096];
};

std::vector<uint8_t> read_file(const char *name)
{
    std::ifstream in(name, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

void touch(const char *name) { std::ofstream(name) << "x"; }

}  // namespace

TEST_F(InScratchDir, FirstShotIsNumberOneWithTheWholeImage)
{
    std::memcpy(screen_image, screen_header_template, screen_header_size);
    for (int i = 0; i < 38400; i++)
        screen_image[screen_header_size + i] = uint8_t(i * 7);
    ASSERT_TRUE(save_screenshot());
    std::vector<uint8_t> file = read_file("00000001.bmp");
    ASSERT_EQ(file.size(), 38462u);
    EXPECT_EQ(0, std::memcmp(file.data(), screen_image, file.size()));
}

TEST_F(InScratchDir, TheLowestFreeNumberIsTaken)
{
    touch("00000001.bmp");
    touch("00000003.bmp");
    ASSERT_TRUE(save_screenshot());
    EXPECT_EQ(read_file("00000002.bmp").size(), 38462u);
    EXPECT_EQ(read_file("00000003.bmp").size(), 1u);  // untouched
    ASSERT_TRUE(save_screenshot());
    EXPECT_EQ(read_file("00000004.bmp").size(), 38462u);
}

TEST(Screenshot, AFolderThatTakesNoFilesFailsQuietly)
{
    char old[4096];
    ASSERT_NE(getcwd(old, sizeof old), nullptr);
    ASSERT_EQ(chdir("/proc"), 0);  // no new files here, not even for root
    EXPECT_FALSE(save_screenshot());
    ASSERT_EQ(chdir(old), 0);
}
