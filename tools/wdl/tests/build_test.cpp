// build -> list / check / extract -> build again gives the same bytes, and
// the archive holds what the source folder says.
#include "host/archive_file.h"
#include "tools/wdl/commands.h"
#include "host/codepages.h"
#include "host/error.h"
#include "tools/wdl/tests/sample_source.h"

#include "archive/archive.h"
#include "archive/testinfo.h"
#include "base/memory.h"
#include "headless/headless.h"

#include <gtest/gtest.h>

#include <sstream>

using namespace wdl_test;

namespace {

TEST(Build, WritesTheResourcesInTheirFixedOrder)
{
    TempDir dir;
    write_sample_source(dir.path, 3);
    const auto entries = wdl::read_archive(build(dir.path), "a");
    std::vector<std::string> names;
    for (const auto &e : entries)
        names.push_back(e.name);
    EXPECT_EQ(names, (std::vector<std::string>{"TESTINFO", "MESSAGES", "DOS8X8RU", "TESTTEXT", "T010", "T011", "T020",
                                               "T021", "T030", "T031"}));
}

TEST(Build, TablesHoldTheManifestsValues)
{
    TempDir dir;
    write_sample_source(dir.path, 2);
    const auto entries = wdl::read_archive(build(dir.path), "a");
    const auto &info = wdl::find_entry(entries, "TESTINFO")->data;
    // count 2; item 1: answer 1, "Задание 1" is 9 CP866 bytes + zero, all cells, empty cell 1
    ASSERT_GE(info.size(), 2u + 12 + 10);
    EXPECT_EQ(info[0], 2);
    EXPECT_EQ(info[1], 0);
    EXPECT_EQ(info[2], 1);
    EXPECT_EQ(info[3], 10);
    EXPECT_EQ(info[4] | info[5] << 8, 0x11FF);
    EXPECT_EQ(std::string(reinterpret_cast<const char *>(&info[6]), 8), std::string("T01\0\0\0\0\0", 8));
    EXPECT_EQ(info[14], 0x87);  // 'З' in CP866
    EXPECT_EQ(info[23], 0);
    // item 2: mask 273 (cells 1, 5, 9), empty cell 5, answer 2
    EXPECT_EQ(info[24], 2);
    EXPECT_EQ(info[26] | info[27] << 8, 0x5111);

    const auto &msgs = wdl::find_entry(entries, "MESSAGES")->data;
    EXPECT_EQ(msgs[0], 6);
    // message 0 ended in CR LF; message 1 has an escaped line break and a box-drawing character
    const std::string m0 = wdl::utf8_to_cp866("Тест: дополни картинку", "", 0);
    EXPECT_EQ(msgs[2], m0.size() + 1);
    EXPECT_EQ(std::string(msgs.begin() + 4, msgs.begin() + 4 + long(m0.size())), m0);
    const size_t at1 = 4 + m0.size() + 1;
    const std::string m1 = "Цифра - выбор, Enter - ответ\nEsc - выход ║";
    EXPECT_EQ(wdl::cp866_to_utf8(std::string(msgs.begin() + long(at1) + 2, msgs.begin() + long(at1) + 2 + msgs[at1] - 1)), m1);
    EXPECT_EQ(uint8_t(msgs[at1 + 2 + msgs[at1] - 2]), 0xBA);
    const auto &text = wdl::find_entry(entries, "TESTTEXT")->data;
    EXPECT_EQ(text.back(), 0);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\r'), 0);
    EXPECT_EQ(wdl::cp866_to_utf8(std::string(text.begin(), text.end() - 1)),
              "Инструкция\n\nВыберите часть, которая дополняет картинку.\n");
    const auto &pic = wdl::find_entry(entries, "T011")->data;
    EXPECT_EQ(pic.size(), 62u + 44 * 190);
    EXPECT_EQ(pic[0], 'B');
    EXPECT_EQ(pic[28], 1);
}

TEST(Build, IsReproducibleAndRoundTripsThroughExtract)
{
    TempDir dir;
    write_sample_source(dir.path, 6);
    const auto first = build(dir.path);
    EXPECT_EQ(build(dir.path), first);

    wdl::write_file_atomic(dir / "T.WDL", first);
    std::ostringstream out;
    wdl::extract_command(dir / "T.WDL", {}, dir / "x", out);
    EXPECT_TRUE(file_exists(dir / "x/raw/TESTINFO.bin"));
    EXPECT_TRUE(file_exists(dir / "x/pictures/T061.png"));
    EXPECT_EQ(build(dir / "x"), first);

    // and again from the extracted copy's own extraction
    wdl::extract_command(dir / "T.WDL", {}, dir / "y", out);
    EXPECT_EQ(read_text(dir / "x/test.json"), read_text(dir / "y/test.json"));
    EXPECT_EQ(read_text(dir / "x/font.txt"), wdl::write_glyph_text(sample_font()));
}

TEST(Build, CommandLineRoundTrip)
{
    TempDir dir;
    write_sample_source(dir.path, 4);
    const std::string wdl = WDL_BINARY;
    ASSERT_EQ(std::system((wdl + " build " + dir.path + " -o " + dir.path + "/A.WDL > /dev/null").c_str()), 0);
    ASSERT_EQ(std::system((wdl + " list " + dir.path + "/A.WDL > " + dir.path + "/list.txt").c_str()), 0);
    const std::string list = read_text(dir / "list.txt");
    EXPECT_NE(list.find("TESTINFO"), std::string::npos);
    EXPECT_NE(list.find("T041"), std::string::npos);
    EXPECT_NE(list.find("12 entries"), std::string::npos);
    EXPECT_NE(list.find("written by wdl " MERIDOKA_VERSION), std::string::npos) << list;
    ASSERT_EQ(std::system((wdl + " --version > " + dir.path + "/version.txt").c_str()), 0);
    EXPECT_EQ(read_text(dir / "version.txt"), "wdl " MERIDOKA_VERSION "\n");
    ASSERT_EQ(std::system((wdl + " check " + dir.path + "/A.WDL > /dev/null").c_str()), 0);
    ASSERT_EQ(std::system((wdl + " extract " + dir.path + "/A.WDL -o " + dir.path + "/src > /dev/null").c_str()), 0);
    ASSERT_EQ(std::system((wdl + " build " + dir.path + "/src -o " + dir.path + "/B.WDL > /dev/null").c_str()), 0);
    EXPECT_EQ(read_text(dir / "A.WDL"), read_text(dir / "B.WDL"));
    ASSERT_EQ(std::system((wdl + " preview " + dir.path + "/A.WDL --item 2 -o " + dir.path + "/s.png > /dev/null").c_str()), 0);
    EXPECT_TRUE(file_exists(dir / "s.png"));
}

TEST(Build, NotesTheToolVersionWhereTheProgramDoesNotRead)
{
    std::vector<uint8_t> b = wdl::write_archive({{"A", {1}}});
    EXPECT_EQ(wdl::read_maker_note(b), "wdl " MERIDOKA_VERSION);
    EXPECT_EQ(wdl::read_archive(b, "a").at(0).data, std::vector<uint8_t>{1});
    // an archive written by other means, its directory right after the header
    const std::vector<uint8_t> bare = {'W', 'D', 'L', 'Z', 0, 0, 0, 0, 12, 0, 0, 0};
    EXPECT_EQ(wdl::read_maker_note(bare), "");
}

TEST(Extract, NamedResourcesOnly)
{
    TempDir dir;
    write_sample_source(dir.path, 2);
    wdl::write_file_atomic(dir / "T.WDL", build(dir.path));
    std::ostringstream out;
    wdl::extract_command(dir / "T.WDL", {"t020", "DOS8X8RU", "TESTTEXT", "messages"}, dir / "x", out);
    EXPECT_EQ(files_in(dir / "x/raw").size(), 4u);
    EXPECT_EQ(read_text(dir / "x/messages.txt"),  // CR LF gone, escapes kept
                                                     "Тест: дополни картинку\nЦифра - выбор, Enter - ответ\\nEsc - выход ║\n"
                                                     "Неверно!\nРезультаты\nИтого:\nНажмите любую клавишу\n");
    EXPECT_TRUE(file_exists(dir / "x/raw/T020.bin"));
    EXPECT_TRUE(file_exists(dir / "x/pictures/T020.png"));
    EXPECT_TRUE(file_exists(dir / "x/font.txt"));
    EXPECT_TRUE(file_exists(dir / "x/instruction.txt"));
    EXPECT_FALSE(file_exists(dir / "x/test.json"));
    EXPECT_THROW(wdl::extract_command(dir / "T.WDL", {"NOPE"}, dir / "z", out), wdl::Error);
}

TEST(Build, TheRunnerLoadsWhatWasBuilt)
{
    TempDir dir;
    write_sample_source(dir.path, 3);
    const auto bytes = build(dir.path);
    char here[4096];
    ASSERT_NE(getcwd(here, sizeof here), nullptr);
    wdl::write_file_atomic(dir / "MERIDOKA.WDL", bytes);
    ASSERT_EQ(chdir(dir.path.c_str()), 0);
    headless::reset();
    TestTable *table = testinfo_load("TESTINFO");
    uint32_t font_length, msgs_length;
    void *font = res_load("DOS8X8RU", &font_length);
    void *msgs = res_load("MESSAGES", &msgs_length);
    ASSERT_EQ(chdir(here), 0);
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(table->count, 3);
    EXPECT_EQ(table->items[1].mask, 0x5111);
    EXPECT_EQ(font_length, 2048u);
    ASSERT_NE(msg_get(msgs, msgs_length, 5), nullptr);
    EXPECT_EQ(wdl::cp866_to_utf8(msg_get(msgs, msgs_length, 2)), "Неверно!");
    testinfo_free(table);
    mem_free(font);
    mem_free(msgs);
}

}  // namespace
