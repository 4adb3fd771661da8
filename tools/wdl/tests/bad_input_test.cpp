// Every kind of bad source gives one clear message naming what and where,
// and leaves no archive (not even a partial one) behind.
#include "tools/wdl/commands.h"
#include "host/error.h"
#include "tools/wdl/tests/sample_source.h"

#include <gtest/gtest.h>

#include <png.h>

#include <sstream>

using namespace wdl_test;

namespace {

// Builds dir into dir/OUT.WDL and returns its report and error ("" if none).
std::string build_error(const TempDir &dir)
{
    std::ostringstream report;
    try {
        wdl::build_command(dir.path, dir / "OUT.WDL", report);
    } catch (const wdl::Error &e) {
        EXPECT_FALSE(file_exists(dir / "OUT.WDL"));
        for (const std::string &f : files_in(dir.path))
            EXPECT_EQ(f.find("OUT.WDL"), std::string::npos) << "left behind: " << f;
        return report.str() + e.what();
    }
    return "";
}

struct BadSource : ::testing::Test {
    TempDir dir;
    void SetUp() override { write_sample_source(dir.path, 4); }
    std::string json() const { return dir / "test.json"; }
};

#define EXPECT_MESSAGE(text, ...)                                                         \
    do {                                                                                  \
        const std::string m_ = build_error(dir);                                         \
        for (const char *part : {__VA_ARGS__})                                             \
            EXPECT_NE(m_.find(part), std::string::npos) << "message: " << m_ << "\nwanted: " << part; \
        (void)text;                                                                       \
    } while (0)

TEST_F(BadSource, GoodSourceBuilds)
{
    EXPECT_EQ(build_error(dir), "");
    EXPECT_TRUE(file_exists(dir / "OUT.WDL"));
}

TEST_F(BadSource, ExistingArchiveIsLeftAloneOnFailure)
{
    write_text(dir / "OUT.WDL", "old");
    std::remove((dir / "pictures/T031.png").c_str());
    std::ostringstream w;
    EXPECT_THROW(wdl::build_command(dir.path, dir / "OUT.WDL", w), wdl::Error);
    EXPECT_EQ(read_text(dir / "OUT.WDL"), "old");
    EXPECT_EQ(files_in(dir.path).size(), 6u);  // the source and the old archive, nothing new
}

TEST_F(BadSource, MissingManifest)
{
    std::remove(json().c_str());
    EXPECT_MESSAGE("", "test.json", "cannot open");
}

TEST_F(BadSource, MissingPicture)
{
    std::remove((dir / "pictures/T031.png").c_str());
    EXPECT_MESSAGE("", "pictures/T031.png", "cannot open");
}

TEST_F(BadSource, MissingFont)
{
    std::remove((dir / "font.txt").c_str());
    EXPECT_MESSAGE("", "font.txt", "cannot open");
}

TEST_F(BadSource, UnreadablePng)
{
    write_text(dir / "pictures/T020.png", "this is not a picture");
    EXPECT_MESSAGE("", "pictures/T020.png", "not a readable PNG");
}

TEST_F(BadSource, TruncatedPng)
{
    const std::string png = read_text(dir / "pictures/T020.png");
    write_text(dir / "pictures/T020.png", png.substr(0, png.size() / 2));
    EXPECT_MESSAGE("", "pictures/T020.png");
}

TEST_F(BadSource, OversizedPng)
{
    wdl::Picture big;
    big.width = 4000;
    big.height = 3000;
    big.white.assign(size_t(big.width) * size_t(big.height), 1);
    wdl::write_png(dir / "pictures/T010.png", big);
    EXPECT_MESSAGE("", "pictures/T010.png", "4000x3000", "larger than 352x190");
}

TEST_F(BadSource, UndersizedPng)
{
    wdl::Picture small;
    small.width = 112;
    small.height = 50;
    small.white.assign(112 * 50, 1);
    wdl::write_png(dir / "pictures/T011.png", small);
    EXPECT_MESSAGE("", "pictures/T011.png", "112x50", "exactly 352x190");
}

TEST_F(BadSource, InvalidJson)
{
    replace_in(json(), "\"answer\": 2", "\"answer\": 2,,");
    EXPECT_MESSAGE("", "test.json:7:", "not valid JSON");
}

TEST_F(BadSource, UnknownTopLevelKey)
{
    replace_in(json(), "\"font\"", "\"title\": \"x\",\n  \"font\"");
    EXPECT_MESSAGE("", "test.json:2:", "unknown key \"title\"");
}

TEST_F(BadSource, UnknownItemKey)
{
    replace_in(json(), "\"name\": \"T03\"", "\"name\": \"T03\", \"answr\": 1");
    EXPECT_MESSAGE("", "test.json:8:", "item 3 (T03)", "unknown key \"answr\"");
}

TEST_F(BadSource, WrongTypes)
{
    replace_in(json(), "\"answer\": 2", "\"answer\": \"2\"");
    EXPECT_MESSAGE("", "test.json:7:", "item 2 (T02)", "\"answer\" must be a whole number");
}

TEST_F(BadSource, WrongTypeForText)
{
    replace_in(json(), "\"text\": \"Задание 4\"", "\"text\": 4");
    EXPECT_MESSAGE("", "test.json:9:", "item 4", "\"text\" must be text");
}

TEST_F(BadSource, OutOfRangeValues)
{
    replace_in(json(), "\"empty\": 5", "\"empty\": 10");
    EXPECT_MESSAGE("", "test.json:7:", "\"empty\" is 10");
}

TEST_F(BadSource, AnswerBeyondThePresentCells)
{
    replace_in(json(), "\"answer\": 2, \"mask\": 273", "\"answer\": 4, \"mask\": 273");
    EXPECT_MESSAGE("", "test.json:7:", "\"answer\" is 4 but only 3 answer cells");
}

TEST_F(BadSource, BothCellsAndMask)
{
    replace_in(json(), "\"mask\": 273", "\"mask\": 273, \"cells\": [1]");
    EXPECT_MESSAGE("", "test.json:7:", "exactly one of \"cells\"");
}

TEST_F(BadSource, DuplicateNames)
{
    replace_in(json(), "\"name\": \"T04\"", "\"name\": \"t02\"");
    EXPECT_MESSAGE("", "test.json:9:", "\"t02\" is already used by item 2");
}

TEST_F(BadSource, DuplicateKey)
{
    replace_in(json(), "\"answer\": 2", "\"answer\": 2, \"answer\": 3");
    EXPECT_MESSAGE("", "test.json:7:", "\"answer\" appears twice");
}

TEST_F(BadSource, NameTooLong)
{
    replace_in(json(), "\"name\": \"T04\"", "\"name\": \"T04ABCDE\"");
    EXPECT_MESSAGE("", "test.json:9:", "1 to 7 characters");
}

TEST_F(BadSource, CharacterOutsideCp866InManifest)
{
    replace_in(json(), "Задание 3", "Задание «3»");
    EXPECT_MESSAGE("", "test.json:8:", "'«' (U+00AB)", "CP866");
}

TEST_F(BadSource, CharacterOutsideCp866InMessages)
{
    replace_in(dir / "messages.txt", "Итого:", "Итого €");
    EXPECT_MESSAGE("", "messages.txt:5:", "U+20AC");
}

TEST_F(BadSource, CharacterOutsideCp866InInstruction)
{
    replace_in(dir / "instruction.txt", "Выберите", "Выбери…");
    EXPECT_MESSAGE("", "instruction.txt:3:", "U+2026");
}

TEST_F(BadSource, BadGlyphText)
{
    replace_in(dir / "font.txt", "@41 A\n", "@41 A\n#.#\n");
    EXPECT_MESSAGE("", "font.txt:", "row 1 of glyph @41");
}

TEST_F(BadSource, EntryOver65535Bytes)
{
    std::string long_text;
    for (int k = 0; k < 2000; k++)
        long_text += "Прочитайте внимательно и выберите ответ.\n";
    write_text(dir / "instruction.txt", long_text);
    EXPECT_MESSAGE("", "instruction.txt", "at most 65,535");
}

TEST_F(BadSource, ItemTextTooLongForItsLengthByte)
{
    replace_in(json(), "Задание 3", std::string(300, 'x'));
    EXPECT_MESSAGE("", "test.json:8:", "at most 254");
}

TEST_F(BadSource, TextThatWouldNotFitOnScreen)
{
    replace_in(json(), "Задание 3", std::string(40, 'x'));
    EXPECT_MESSAGE("", "item 3 (T03): text: line 1 has 40 characters; at most 35 fit");
}

TEST_F(BadSource, NoItems)
{
    write_text(json(), "{\"font\": \"font.txt\", \"messages\": \"messages.txt\", \"items\": []}");
    EXPECT_MESSAGE("", "test.json:1:", "at least one item");
}

TEST(Cli, ErrorsGoToStderrWithNonZeroExit)
{
    TempDir dir;
    write_sample_source(dir.path, 2);
    std::remove((dir / "pictures/T021.png").c_str());
    const std::string cmd = std::string(WDL_BINARY) + " build " + dir.path + " -o " + dir.path + "/X.WDL 2> " +
                            dir.path + "/err.txt";
    EXPECT_NE(std::system(cmd.c_str()), 0);
    EXPECT_NE(read_text(dir / "err.txt").find("T021.png"), std::string::npos);
    EXPECT_FALSE(file_exists(dir / "X.WDL"));
}

}  // namespace
