// The source formats: CP866 texts, the glyph text font, PNG pictures.
#include "host/codepages.h"
#include "host/error.h"
#include "host/glyph_text.h"
#include "host/mono_png.h"
#include "tools/wdl/tests/sample_source.h"

#include <gtest/gtest.h>

#include <iconv.h>
#include <png.h>

#include <cstring>

using namespace wdl_test;

namespace {

std::string message_of(const std::function<void()> &fn)
{
    try {
        fn();
    } catch (const wdl::Error &e) {
        return e.what();
    }
    return "";
}

TEST(Cp866, UpperHalfAgreesWithTheCLibrary)
{
    iconv_t cd = iconv_open("UTF-8", "CP866");
    ASSERT_NE(cd, iconv_t(-1));
    for (int b = 0x80; b < 0x100; b++) {
        char in[1] = {char(b)}, out[8] = {};
        char *ip = in, *op = out;
        size_t il = 1, ol = sizeof out;
        ASSERT_NE(iconv(cd, &ip, &il, &op, &ol), size_t(-1));
        std::string expect(out, sizeof out - ol), got;
        wdl::append_utf8(got, wdl::cp866_to_unicode(uint8_t(b)));
        EXPECT_EQ(got, expect) << "byte " << b;
        EXPECT_EQ(wdl::cp866_from_unicode(wdl::cp866_to_unicode(uint8_t(b))), b);
    }
    iconv_close(cd);
}

TEST(Cp866, EveryTextByteRoundTrips)
{
    std::string all;
    for (int b = 1; b < 256; b++)
        all += char(b);
    EXPECT_EQ(wdl::utf8_to_cp866(wdl::cp866_to_utf8(all), "f", 1), all);
    EXPECT_EQ(uint8_t(wdl::utf8_to_cp866("Ёё█", "f", 1)[0]), 0xF0);
    EXPECT_EQ(uint8_t(wdl::utf8_to_cp866("Ёё█", "f", 1)[1]), 0xF1);
    EXPECT_EQ(uint8_t(wdl::utf8_to_cp866("Ёё█", "f", 1)[2]), 0xDB);
}

TEST(Cp866, ErrorsNameFileLineAndColumn)
{
    EXPECT_EQ(message_of([] { wdl::utf8_to_cp866("ok\nok\nбад \xE2\x82\xAC", "m.txt", 1); }).substr(0, 10), "m.txt:3:5:");
    EXPECT_NE(message_of([] { wdl::utf8_to_cp866("\xC3\x28", "m.txt", 4); }).find("m.txt:4:1: error: the text is not valid UTF-8"),
              std::string::npos);
    EXPECT_NE(message_of([] { wdl::utf8_to_cp866("a\tb", "m.txt", 2); }).find("m.txt:2:2: error: a tab"), std::string::npos);
    EXPECT_NE(message_of([] { wdl::utf8_to_cp866("a\x01", "m.txt", 2); }).find("control character"), std::string::npos);
    // a JSON string's line does not move with its escaped line breaks
    EXPECT_EQ(message_of([] { wdl::utf8_to_cp866("a\nb\n\xC2\xAB", "t.json", 9, false); }).substr(0, 9), "t.json:9:");
}

TEST(GlyphText, RoundTripsAndAcceptsAnyOrder)
{
    const wdl::FontBytes font = sample_font();
    const std::string text = wdl::write_glyph_text(font);
    EXPECT_EQ(wdl::parse_glyph_text(text, "f.txt"), font);
    // reversed block order, CR LF line ends, extra comments
    std::vector<std::string> blocks;
    size_t at = text.find("\n@");
    while (at != std::string::npos) {
        const size_t next = text.find("\n@", at + 1);
        blocks.push_back(text.substr(at + 1, next == std::string::npos ? std::string::npos : next - at));
        at = next;
    }
    ASSERT_EQ(blocks.size(), 256u);
    std::string reversed = "# reversed\r\n";
    for (size_t i = blocks.size(); i-- > 0;) {
        for (char c : blocks[i])
            reversed += c == '\n' ? std::string("\r\n") : std::string(1, c);
        if (reversed.back() != '\n')
            reversed += "\r\n";
    }
    EXPECT_EQ(wdl::parse_glyph_text(reversed, "f.txt"), font);
}

TEST(GlyphText, ErrorsNameTheLine)
{
    const std::string good = wdl::write_glyph_text(sample_font());
    auto broken = [&](const std::string &from, const std::string &to) {
        std::string t = good;
        t.replace(t.find(from), from.size(), to);
        return message_of([&] { wdl::parse_glyph_text(t, "font.txt"); });
    };
    const int line41 = 1 + int(std::count(good.begin(), good.begin() + long(good.find("@41")), '\n'));
    EXPECT_EQ(broken("@41 A\n", "@41 A\n#...x...\n"),
              "font.txt:" + std::to_string(line41 + 1) + ": only '#' (ink) and '.' (background) may form a glyph row");
    EXPECT_NE(broken("@42 B", "@41 B").find("glyph @41 is already defined on line " + std::to_string(line41)),
              std::string::npos);
    EXPECT_NE(broken("@43 C", "@4G C").find("expected a glyph header"), std::string::npos);
    std::string t = good.substr(0, good.find("@FF"));
    EXPECT_NE(message_of([&] { wdl::parse_glyph_text(t, "font.txt"); }).find("glyph @FF is missing"), std::string::npos);
    t = good.substr(0, good.size() - 18);  // the last two rows
    EXPECT_NE(message_of([&] { wdl::parse_glyph_text(t, "font.txt"); }).find("has only 6 of its 8 rows"),
              std::string::npos);
}

TEST(GlyphText, PartialSetKeepsCodesAndComments)
{
    const std::string text = "# two glyphs only\n"
                             "@10 U+25BA pointer, drawn by hand\n"
                             "#.......\n##......\n###.....\n####....\n###.....\n##......\n#.......\n........\n"
                             "@7e\n"
                             "........\n........\n.##..#..\n#..##...\n........\n........\n........\n........\n";
    const wdl::GlyphSet set = wdl::parse_glyph_set(text, "hand.txt");
    for (int c = 0; c < 256; c++)
        EXPECT_EQ(set.present[size_t(c)], c == 0x10 || c == 0x7E) << c;
    EXPECT_EQ(set.comments[0x10], "U+25BA pointer, drawn by hand");
    EXPECT_EQ(set.comments[0x7E], "");
    EXPECT_EQ(set.font[0x10 * 8 + 3], 0xF0);
    EXPECT_EQ(set.font[0x7E * 8 + 2], 0x64);
    EXPECT_EQ(set.font[0x41 * 8], 0);
    // a whole font must not lack them
    EXPECT_EQ(message_of([&] { wdl::parse_glyph_text(text, "hand.txt"); }),
              "hand.txt: glyph @00 is missing (all 256 codes 00..FF are needed)");
    EXPECT_EQ(message_of([&] { wdl::parse_glyph_set(text + "@10\n", "hand.txt"); }),
              "hand.txt:20: glyph @10 is already defined on line 2");
}

TEST(GlyphText, CommentsAndHeaderAreWrittenBack)
{
    wdl::GlyphComments comments;
    comments[0x41] = "U+0041 A";
    const std::string text = wdl::write_glyph_text(sample_font(), comments, "made by a test\n\nsecond line");
    EXPECT_EQ(text.substr(0, text.find("@00")), "# made by a test\n#\n# second line\n\n");
    EXPECT_NE(text.find("\n@00\n"), std::string::npos);
    EXPECT_NE(text.find("\n@41 U+0041 A\n"), std::string::npos);
    const wdl::GlyphSet back = wdl::parse_glyph_set(text, "f.txt");
    EXPECT_EQ(back.font, sample_font());
    EXPECT_EQ(back.comments, comments);
}

// Writes a PNG through the simplified API in any of its formats.
void write_any_png(const std::string &path, int w, int h, uint32_t format, const std::vector<uint8_t> &pixels,
                   const std::vector<uint8_t> &colormap = {}, int colors = 0)
{
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    image.width = uint32_t(w);
    image.height = uint32_t(h);
    image.format = format;
    image.colormap_entries = uint32_t(colors);
    ASSERT_TRUE(png_image_write_to_file(&image, path.c_str(), 0, pixels.data(), 0,
                                        colormap.empty() ? nullptr : colormap.data()));
}

TEST(Png, ThresholdsAnyKindOfPicture)
{
    TempDir dir;
    // RGBA: dark, light, transparent dark, half-transparent black
    write_any_png(dir / "a.png", 4, 1, PNG_FORMAT_RGBA, {10, 20, 30, 255, 200, 200, 200, 255, 0, 0, 0, 0, 0, 0, 0, 128});
    wdl::Picture p = wdl::read_png(dir / "a.png", 10, 10);
    EXPECT_EQ(p.white, (std::vector<uint8_t>{0, 1, 1, 0}));
    // grey with luminance 127 and 128
    write_any_png(dir / "g.png", 2, 1, PNG_FORMAT_GRAY, {127, 128});
    EXPECT_EQ(wdl::read_png(dir / "g.png", 10, 10).white, (std::vector<uint8_t>{0, 1}));
    // 16-bit linear grey
    write_any_png(dir / "l.png", 2, 1, PNG_FORMAT_LINEAR_Y, {0, 0, 0xFF, 0xFF});
    EXPECT_EQ(wdl::read_png(dir / "l.png", 10, 10).white, (std::vector<uint8_t>{0, 1}));
    // a palette picture: index 0 red (dark), index 1 yellow (light)
    write_any_png(dir / "p.png", 3, 1, PNG_FORMAT_RGB_COLORMAP, {0, 1, 0}, {255, 0, 0, 255, 255, 0}, 2);
    EXPECT_EQ(wdl::read_png(dir / "p.png", 10, 10).white, (std::vector<uint8_t>{0, 1, 0}));
}

TEST(Png, MonoBitmapLayout)
{
    wdl::Picture p;
    p.width = 10;
    p.height = 2;
    p.white.assign(20, 1);
    p.white[0] = 0;       // top-left black
    p.white[10 + 9] = 0;  // bottom-right black
    const std::vector<uint8_t> b = wdl::to_mono_bitmap(p);
    ASSERT_EQ(b.size(), 62u + 2 * 4);
    EXPECT_EQ(b[0], 'B');
    EXPECT_EQ(b[1], 'M');
    EXPECT_EQ(b[2], 70);
    EXPECT_EQ(b[10], 62);
    EXPECT_EQ(b[14], 40);
    EXPECT_EQ(b[18], 10);
    EXPECT_EQ(b[22], 2);
    EXPECT_EQ(b[26], 1);
    EXPECT_EQ(b[28], 1);
    EXPECT_EQ(b[54] | b[55] | b[56], 0);                 // black first
    EXPECT_EQ(b[58] & b[59] & b[60], 0xFF);              // then white
    EXPECT_EQ(b[62], 0xFF);                              // bottom row first
    EXPECT_EQ(b[63], 0xBF);                              // its pixel 9, trailing bits white
    EXPECT_EQ(b[64] | b[65], 0);                         // padding
    EXPECT_EQ(b[66], 0x7F);                              // top row: pixel 0 black
    const wdl::Picture back = wdl::from_mono_bitmap(b, "x");
    EXPECT_EQ(back.white, p.white);
}

}  // namespace

namespace {

TEST(GlyphText, BlankLinesAndTrailingBlanksAnywhere)
{
    const wdl::FontBytes font = sample_font();
    std::string text = wdl::write_glyph_text(font);
    const size_t at = text.find("@41 A\n") + 6;
    text.insert(at + 9, "\n   \n");             // blank lines after the first row
    text.insert(at + 8, "  \t");                 // trailing blanks on the first row
    text.replace(text.find("@42 B"), 5, "@42B"); // a comment right after the code
    EXPECT_EQ(wdl::parse_glyph_text(text, "f.txt"), font);
}

}  // namespace
