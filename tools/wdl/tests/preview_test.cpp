// preview shows exactly the screen a person sees in the runner at that point.
#include "tools/wdl/commands.h"
#include "host/error.h"
#include "tools/wdl/tests/sample_source.h"

#include "runner/runner.h"
#include "headless/headless.h"

#include <gtest/gtest.h>

#include <png.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>

using namespace wdl_test;

namespace {

std::vector<uint8_t> sample_archive(const TempDir &dir, int items)
{
    write_sample_source(dir.path, items);
    return build(dir.path);
}

// The screen shot by a scripted person in a headless run of the runner.
headless::Screen shot_in_runner(const TempDir &dir, const std::vector<uint8_t> &archive, const std::string &scenario)
{
    wdl::write_file_atomic(dir / "MERIDOKA.WDL", archive);
    char here[4096];
    EXPECT_NE(getcwd(here, sizeof here), nullptr);
    EXPECT_EQ(chdir(dir.path.c_str()), 0);
    headless::Run &run = headless::reset(headless::parse_scenario(scenario));
    EXPECT_EQ(program_main(), 0);
    EXPECT_EQ(chdir(here), 0);
    EXPECT_EQ(run.shots.size(), 1u);
    return run.shots.empty() ? headless::Screen() : run.shots[0];
}

TEST(Preview, ItemScreenMatchesTheRunner)
{
    TempDir dir;
    const auto archive = sample_archive(dir, 5);
    // items 1 and 2 have the answers 1 and 2 (see the sample source)
    const auto expected = shot_in_runner(dir, archive, "key space\nkey 1\nkey enter\nkey 2\nkey enter\nshot\nclose\n");
    const auto screen = wdl::preview_screen(archive, 3);
    ASSERT_EQ(screen.size(), 38400u);
    EXPECT_TRUE(screen == expected);
    EXPECT_FALSE(screen == wdl::preview_screen(archive, 2));
}

TEST(Preview, FirstItemAndIntroMatchTheRunner)
{
    TempDir dir;
    const auto archive = sample_archive(dir, 3);
    EXPECT_TRUE(wdl::preview_screen(archive, 1) == shot_in_runner(dir, archive, "key space\nshot\nclose\n"));
    EXPECT_TRUE(wdl::preview_screen(archive, 0) == shot_in_runner(dir, archive, "shot\nclose\n"));
}

TEST(Preview, RefusesItemsThatDoNotExist)
{
    TempDir dir;
    const auto archive = sample_archive(dir, 2);
    EXPECT_THROW(wdl::preview_screen(archive, 3), wdl::Error);
}

// The runner's files go to a folder of their own: the working folder is
// neither changed nor needed (here it has been removed under the process).
TEST(Preview, LeavesTheWorkingFolderAlone)
{
    TempDir dir;
    const auto archive = sample_archive(dir, 2);
    char here[4096];
    ASSERT_NE(getcwd(here, sizeof here), nullptr);
    const std::string gone = dir / "gone";
    ASSERT_EQ(mkdir(gone.c_str(), 0700), 0);
    ASSERT_EQ(chdir(gone.c_str()), 0);
    ASSERT_EQ(rmdir(gone.c_str()), 0);
    headless::Screen screen;
    EXPECT_NO_THROW(screen = wdl::preview_screen(archive, 1));
    EXPECT_EQ(screen.size(), 38400u);
    EXPECT_EQ(chdir(here), 0);
}

TEST(Preview, WritesAOneBitPng)
{
    TempDir dir;
    wdl::write_file_atomic(dir / "A.WDL", sample_archive(dir, 2));
    wdl::preview_command(dir / "A.WDL", 2, dir / "s.png");
    const wdl::Picture p = wdl::read_png(dir / "s.png", 640, 480);
    ASSERT_EQ(p.width, 640);
    ASSERT_EQ(p.height, 480);
    const auto screen = wdl::preview_screen(wdl::read_file(dir / "A.WDL"), 2);
    for (size_t i = 0; i < p.white.size(); i += 7)
        ASSERT_EQ(p.white[i], (screen[i / 8] >> (7 - i % 8)) & 1) << i;
    // the frame line at x 360 is black, the background white
    EXPECT_EQ(p.white[100 * 640 + 360], 0);
    EXPECT_EQ(p.white[470 * 640 + 600], 1);
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    ASSERT_TRUE(png_image_begin_read_from_file(&image, (dir / "s.png").c_str()));
    EXPECT_EQ(image.format, unsigned(PNG_FORMAT_GRAY));
    png_image_free(&image);
    const std::string png = read_text(dir / "s.png");
    EXPECT_EQ(uint8_t(png[24]), 1);  // IHDR bit depth
}

}  // namespace
