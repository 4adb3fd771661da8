// What a new author trips over, each reported in one run with the file,
// line and column to change: characters outside CP866 (with replacements),
// names, the case of picture files, grey pictures, counts the counter
// cannot show; and a new test from `wdl init` that builds and checks clean.
#include "tools/wdl/commands.h"
#include "host/codepages.h"
#include "host/error.h"
#include "tools/wdl/tests/sample_source.h"

#include <gtest/gtest.h>

#include <png.h>

#include <cstring>

using namespace wdl_test;

namespace {

#define EXPECT_HAS(haystack, needle) EXPECT_NE((haystack).find(needle), std::string::npos) << (haystack)

size_t count_of(const std::string &text, const std::string &part)
{
    size_t n = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        n++;
    return n;
}

struct Authoring : ::testing::Test {
    TempDir dir;
    void SetUp() override { write_sample_source(dir.path, 4); }
    std::string json() const { return dir / "test.json"; }
    std::string report(bool ascii_punctuation = false)
    {
        wdl::TextOptions options;
        options.ascii_punctuation = ascii_punctuation;
        wdl::Diagnostics found;
        wdl::check_source(dir.path, options, found);
        std::string s;
        for (const auto &d : found.all())
            s += wdl::format(d) + "\n";
        return s;
    }
};

TEST_F(Authoring, EveryCharacterOutsideCp866InOneRunWithItsReplacement)
{
    write_text(dir / "messages.txt", "Тест — «дополни» картинку\nЦифра – выбор…\nНеверно!\nРезультаты\n"
                                     "Итого: 5 €\nНажмите клавишу 😀\n");
    replace_in(json(), "\"Задание 3\"", "\"Задание \\\"3\\\" “x”\"");
    const std::string r = report();
    const std::string m = dir / "messages.txt";
    EXPECT_HAS(r, m + ":1:6: error: character '—' (U+2014) is not in the DOS Cyrillic code page (CP866): write '-' "
                      "instead (--ascii-punctuation does it for you)\n");
    EXPECT_HAS(r, m + ":1:8: error: character '«' (U+00AB) is not in the DOS Cyrillic code page (CP866): write '\"' "
                      "instead");
    EXPECT_HAS(r, m + ":1:16: error: character '»' (U+00BB)");
    EXPECT_HAS(r, m + ":2:7: error: character '–' (U+2013)");
    EXPECT_HAS(r, m + ":2:14: error: character '…' (U+2026) is not in the DOS Cyrillic code page (CP866): write '...' "
                      "instead");
    EXPECT_HAS(r, m + ":5:10: error: character '€' (U+20AC) is not in the DOS Cyrillic code page (CP866): write 'EUR' "
                      "instead\n");
    EXPECT_HAS(r, m + ":6:17: error: character '😀' (U+1F600) is not in the DOS Cyrillic code page (CP866) and has no "
                      "replacement there: leave it out or say it in words\n");
    // the manifest's columns count the characters as written, escapes included
    EXPECT_HAS(r, json() + ":8:107: error: character '“' (U+201C)");
    EXPECT_HAS(r, json() + ":8:109: error: character '”' (U+201D)");
    EXPECT_EQ(count_of(r, ": error: "), 9u) << r;
}

TEST_F(Authoring, AsciiPunctuationReplacesTheTypographicCharactersAndListsThem)
{
    write_text(dir / "messages.txt", "Тест — «дополни» картинку\nЦифра\xC2\xA0- выбор…\nНеверно!\nРезультаты\n"
                                     "Итого: 5 €\nНажмите клавишу\n");
    const std::string r = report(true);
    const std::string m = dir / "messages.txt";
    EXPECT_HAS(r, m + ":1:6: note: replaced '—' (U+2014) with '-'\n");
    EXPECT_HAS(r, m + ":1:8: note: replaced '«' (U+00AB) with '\"'\n");
    EXPECT_HAS(r, m + ":2:6: note: replaced no-break space (U+00A0) with ' '\n");
    EXPECT_HAS(r, m + ":2:14: note: replaced '…' (U+2026) with '...'\n");
    EXPECT_EQ(count_of(r, ": error: "), 1u) << r;  // € has no usual replacement
    replace_in(m, " €", "");
    wdl::TextOptions ascii;
    ascii.ascii_punctuation = true;
    std::ostringstream out;
    wdl::build_command(dir.path, dir / "A.WDL", out, ascii);
    const auto entries = wdl::read_archive(wdl::read_file(dir / "A.WDL"), "A.WDL");
    const auto &msgs = wdl::find_entry(entries, "MESSAGES")->data;
    EXPECT_EQ(std::string(msgs.begin() + 4, msgs.begin() + 4 + msgs[2] - 1),
              wdl::utf8_to_cp866("Тест - \"дополни\" картинку", "", 0));
}

TEST_F(Authoring, CharactersTheResultFileCannotShowAreAWarning)
{
    replace_in(json(), "\"Задание 2\"", "\"Задание\u00A02 ■\"");
    replace_in(dir / "messages.txt", "Итого:", "Итого ║");
    const std::string r = report();
    EXPECT_HAS(r, json() + ":7:5: warning: item 2 (T02): the text's no-break space (U+00A0), '■' (U+25A0) come out as "
                           "other characters in RESULT-W.TXT, whose Windows-1251 has only the letters of CP866 "
                           "(RESULT-D.TXT of the DOS program keeps them)\n");
    EXPECT_HAS(r, dir / "messages.txt:5: warning: message 4 (result file): '║' (U+2551) come out as other characters");
    EXPECT_EQ(count_of(report(true), "(U+00A0)"), 1u);  // replaced by a space, no longer a warning
}

TEST_F(Authoring, NamesMustBeLatinBeforeTheirLengthCounts)
{
    replace_in(json(), "\"name\": \"T02\"", "\"name\": \"ПОВОРОТ\"");
    replace_in(json(), "\"name\": \"T03\"", "\"name\": \"ПОВ\"");
    replace_in(json(), "\"name\": \"T04\"", "\"name\": \"ROTATION\"");
    const std::string r = report();
    EXPECT_HAS(r, json() + ":7:14: error: item 2 (ПОВОРОТ): \"name\" may hold only Latin letters, digits, '_' and '-' "
                           "(not 'П' (U+041F)): it names the picture files and the archive's entries\n");
    EXPECT_HAS(r, json() + ":8:14: error: item 3 (ПОВ): \"name\" may hold only Latin letters");
    EXPECT_HAS(r, json() + ":9:14: error: item 4 (ROTATION): \"name\" must have 1 to 7 characters (it has 8)\n");
    EXPECT_EQ(r.find("1 to 7 characters (it has 7)"), std::string::npos);
}

TEST_F(Authoring, PictureFilesAreFoundInAnyCase)
{
    replace_in(json(), "\"name\": \"T02\"", "\"name\": \"turn\"");
    ASSERT_EQ(rename((dir / "pictures/T020.png").c_str(), (dir / "pictures/TURN0.png").c_str()), 0);
    ASSERT_EQ(rename((dir / "pictures/T021.png").c_str(), (dir / "pictures/Turn1.PNG").c_str()), 0);
    EXPECT_EQ(report(), "");
    write_text(dir / "pictures/turn0.png", read_text(dir / "pictures/TURN0.png"));
    const std::string r = report();
    EXPECT_HAS(r, "pictures/TURN0.png: error: several files are turn0.png in some case of letters (TURN0.png, turn0.png); "
                  "keep one\n");
}

TEST_F(Authoring, GreyAndColouredPixelsAreAWarningWithTheirShare)
{
    // T010 again, with a 55% and a 70% grey fill in cell 2 and a red bar in cell 3, as 8-bit RGB
    wdl::Picture p = wdl::read_png(dir / "pictures/T010.png", 352, 190);
    std::vector<uint8_t> rgb(352 * 190 * 3);
    for (size_t i = 0; i < p.white.size(); i++) {
        const int x = int(i % 352), y = int(i / 352);
        uint8_t r = p.white[i] ? 255 : 0, g = r, b = r;
        if (x >= 130 && x < 170 && y >= 10 && y < 30)
            r = g = b = 140;  // 55%
        else if (x >= 180 && x < 220 && y >= 10 && y < 30)
            r = g = b = 179;  // 70%
        else if (x >= 250 && x < 300 && y >= 20 && y < 25)
            r = 255, g = b = 0;
        rgb[3 * i] = r, rgb[3 * i + 1] = g, rgb[3 * i + 2] = b;
    }
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    image.width = 352;
    image.height = 190;
    image.format = PNG_FORMAT_RGB;
    ASSERT_TRUE(png_image_write_to_file(&image, (dir / "pictures/T010.png").c_str(), 0, rgb.data(), 0, nullptr));
    EXPECT_HAS(report(), dir / "pictures/T010.png: warning: 1850 pixels (2.8%) are grey or coloured (brightness from "
                               "12% to 88%); at the threshold of 50% brightness 2.4% of the picture turned white and "
                               "0.4% black: draw in black and white only to see what the test shows\n");
}

TEST(Counter, AThousandItemsOrMoreIsAWarningNamingTheCounter)
{
    for (size_t n : {999u, 1000u, 1234u}) {
        std::vector<wdl::Item> items(n);
        for (size_t i = 0; i < n; i++) {
            items[i].name = "I" + std::to_string(i);
            items[i].answer = items[i].cells = items[i].empty = 1;
        }
        std::string warnings;
        for (const auto &f : wdl::check_archive(wdl::write_archive({{"TESTINFO", wdl::encode_testinfo(items)}}), "A"))
            if (!f.error)
                warnings += f.text + "\n";
        if (n == 999)
            EXPECT_EQ(warnings.find("counter"), std::string::npos) << warnings;
        else
            EXPECT_HAS(warnings, "the test has " + std::to_string(n) + " items, but the item counter shows the item "
                                 "number and the count modulo 1000 (\"%02d/%02d\"): item 999 appears as 999/" +
                                 (n == 1000 ? "00" : "234") + " and item 1000 as 00/" + (n == 1000 ? "00" : "234"));
    }
}

// The table of a new author's mistakes, all in one source: one run
// reports each, and items after a broken one keep their numbers.
TEST_F(Authoring, EveryMistakeOfTheTableInOneRun)
{
    replace_in(json(), "\"Задание 1\"", "\"Задание 1 — первое\\nвторая строка\"");
    replace_in(json(), "\"answer\": 2", "\"answer\": \"two\"");
    replace_in(json(), "\"name\": \"T03\"", "\"name\": \"t03\"");
    replace_in(dir / "messages.txt", "Итого:", "Итого…");
    wdl::Picture p = wdl::read_png(dir / "pictures/T030.png", 352, 190);
    p.white[size_t(20) * 352 + 115] = 0;  // between the cells
    wdl::write_png(dir / "pictures/T030.png", p);
    p = wdl::read_png(dir / "pictures/T041.png", 352, 190);
    p.white[size_t(20) * 352 + 150] = 0;  // in cell 2, which the item does not list
    wdl::write_png(dir / "pictures/T041.png", p);
    std::remove((dir / "pictures/T011.png").c_str());

    const std::string r = report();
    EXPECT_HAS(r, json() + ":6:103: error: character '—' (U+2014)");
    EXPECT_HAS(r, json() + ":6:5: warning: item 1 (T01): the text has 2 lines; the runner clears only the first");
    EXPECT_HAS(r, json() + ":7:31: error: item 2 (T02): \"answer\" must be a whole number from 1 to 9");
    EXPECT_HAS(r, "pictures/T011.png: error: cannot open the picture");
    EXPECT_HAS(r, "pictures/T030.png: warning: item 3 (t03): problem picture t030: ink outside the cells at x 115");
    EXPECT_HAS(r, "pictures/T041.png: error: item 4 (T04): answer picture T041: answer cell 2 is not among the item's");
    EXPECT_HAS(r, "messages.txt:5:6: error: character '…' (U+2026)");
    EXPECT_EQ(count_of(r, "item 2 (T02)"), 1u) << r;  // nothing more about the item that could not be read
    EXPECT_EQ(count_of(r, ": error: "), 5u) << r;
}

TEST(Init, NewTestBuildsAndChecksCleanInBothLanguages)
{
    for (const std::string language : {"ru", "en"}) {
        TempDir dir;
        const std::string wdl = WDL_BINARY, src = dir / "mytest";
        ASSERT_EQ(std::system((wdl + " init " + src + " --language " + language + " > /dev/null").c_str()), 0);
        for (const char *f : {"test.json", "font.txt", "instruction.ru.txt", "messages.ru.txt", "instruction.en.txt",
                              "messages.en.txt", "templates/problem.png", "templates/answers.png", "pictures/A010.png",
                              "pictures/A041.png"})
            EXPECT_TRUE(file_exists(src + "/" + f)) << f;
        EXPECT_HAS(read_text(src + "/test.json"), "\"messages\": \"messages." + language + ".txt\"");
        ASSERT_EQ(std::system((wdl + " build " + src + " -o " + src + "/M.WDL 2> " + dir.path + "/build.txt > /dev/null")
                                  .c_str()),
                  0);
        EXPECT_EQ(read_text(dir / "build.txt"), "");
        ASSERT_EQ(std::system((wdl + " check " + src + " --strict > " + dir.path + "/check.txt").c_str()), 0);
        EXPECT_EQ(read_text(dir / "check.txt"), src + ": 0 error(s), 0 warning(s)\n");
        ASSERT_EQ(std::system((wdl + " check " + src + "/M.WDL --strict > /dev/null").c_str()), 0);
        // the templates are blank framed cells
        const wdl::Picture t = wdl::read_png(src + "/templates/answers.png", 352, 190);
        EXPECT_EQ(t.white[0], 0);
        EXPECT_EQ(t.white[size_t(25) * 352 + 56], 1);
        // and it will not write over anything
        EXPECT_NE(std::system((wdl + " init " + src + " 2> /dev/null").c_str()), 0);
    }
}

}  // namespace
