// F12 screenshots: the image is written unchanged under the lowest free
// number, any existing name counts as taken, and a failure is quiet. Built
// over each front end's file layer: POSIX on the host, Windows in the
// Windows tests.
#include "frontend/screenshot.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "frontend/screen_bmp.h"
#include "tests/frontend/working_folder.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

class Screenshot : public InWorkingFolder {
protected:
    void SetUp() override
    {
        InWorkingFolder::SetUp();
        image_.resize(screen_image_size);
        for (size_t i = 0; i < image_.size(); i++)
            image_[i] = i < screen_header_size ? screen_header_template[i] : uint8_t(i * 7 + 3);
    }
    int save() { return screenshot_save(image_.data(), uint32_t(image_.size())); }
    static Bytes read(const char *name)
    {
        std::ifstream in(name, std::ios::binary);
        return Bytes(std::istreambuf_iterator<char>(in), {});
    }
    static void touch(const char *name) { std::ofstream(name, std::ios::binary) << "x"; }

    Bytes image_;
};

TEST_F(Screenshot, TheFirstIsNumberOneWithTheWholeImage)
{
    ASSERT_EQ(save(), 1);
    EXPECT_EQ(read("00000001.bmp"), image_);
    EXPECT_FALSE(fs::exists("00000000.bmp"));
}

TEST_F(Screenshot, TheLowestFreeNumberIsTakenAndTakenOnesAreLeftAlone)
{
    touch("00000001.bmp");
    touch("00000003.bmp");
    fs::create_directory("00000004.bmp");  // a folder of that name is taken too
    ASSERT_EQ(save(), 1);
    EXPECT_EQ(read("00000002.bmp"), image_);
    EXPECT_EQ(fs::file_size("00000001.bmp"), 1u);
    EXPECT_EQ(fs::file_size("00000003.bmp"), 1u);
    ASSERT_EQ(save(), 1);
    EXPECT_EQ(read("00000005.bmp"), image_);
    EXPECT_FALSE(fs::exists("00000006.bmp"));
}

TEST_F(Screenshot, AFolderThatTakesNoFilesFailsQuietly)
{
    std::error_code error;
    fs::current_path("/proc", error);  // no new files there, not even for root
    if (error)
        GTEST_SKIP() << "no /proc here";
    EXPECT_EQ(save(), 0);
}

}  // namespace
