// What a source folder may look like besides the plain sample: comments and
// a byte-order mark in the manifest, a raw font, the manifest named directly,
// a pictures folder elsewhere, escapes in messages.
#include "tools/wdl/commands.h"
#include "host/codepages.h"
#include "host/error.h"
#include "tools/wdl/tests/sample_source.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace wdl_test;

namespace {

TEST(SourceVariants, CommentsAndByteOrderMark)
{
    TempDir dir;
    write_sample_source(dir.path, 3);
    const auto plain = build(dir.path);
    std::string json = read_text(dir / "test.json");
    json.replace(json.find("\"items\""), 7, "// the items, in order\n  \"items\"");
    write_text(dir / "test.json", "\xEF\xBB\xBF" + json);
    EXPECT_EQ(build(dir.path), plain);
}

TEST(SourceVariants, RawFontManifestByNameAndPicturesElsewhere)
{
    TempDir dir;
    write_sample_source(dir.path, 3);
    const auto plain = build(dir.path);
    const wdl::FontBytes font = sample_font();
    wdl::write_file_atomic(dir / "font.BIN", std::vector<uint8_t>(font.begin(), font.end()));
    ASSERT_EQ(rename((dir / "pictures").c_str(), (dir / "art").c_str()), 0);
    mkdir((dir / "sub").c_str(), 0755);
    std::string json = read_text(dir / "test.json");
    json.replace(json.find("\"font.txt\""), 10, "\"../font.BIN\", \"pictures\": \"../art\"");
    json.replace(json.find("\"instruction.txt\""), 17, "\"../instruction.txt\"");
    json.replace(json.find("\"messages.txt\""), 14, "\"../messages.txt\"");
    write_text(dir / "sub/my-test.json", json);
    EXPECT_EQ(build(dir / "sub/my-test.json"), plain);
}

TEST(SourceVariants, RawFontMustBe2048Bytes)
{
    TempDir dir;
    write_sample_source(dir.path, 2);
    write_text(dir / "f.bin", std::string(2000, '\0'));
    std::string json = read_text(dir / "test.json");
    json.replace(json.find("\"font.txt\""), 10, "\"f.bin\"");
    write_text(dir / "test.json", json);
    try {
        build(dir.path);
        FAIL();
    } catch (const wdl::Error &e) {
        EXPECT_NE(std::string(e.what()).find("f.bin: error: a raw font must be exactly 2,048 bytes"), std::string::npos);
    }
}

TEST(SourceVariants, MessageEscapesRoundTrip)
{
    for (const std::string &text : {std::string("a\\b"), std::string("two\nlines"), std::string("back\\nslash"),
                                    std::string("end\\"), std::string("\\\\"), std::string("")})
        EXPECT_EQ(wdl::unescape_message(wdl::escape_message(text)), text) << text;
    EXPECT_EQ(wdl::unescape_message("a\\nb"), "a\nb");
    EXPECT_EQ(wdl::unescape_message("c:\\temp"), "c:\\temp");
}

TEST(SourceVariants, EmptyLastMessageIsKept)
{
    TempDir dir;
    write_sample_source(dir.path, 2);
    write_text(dir / "messages.txt", "a\nb\nc\nd\ne\n\n");  // message 5 empty
    const auto entries = wdl::read_archive(build(dir.path), "a");
    const auto &m = wdl::find_entry(entries, "MESSAGES")->data;
    EXPECT_EQ(m[0], 6);
    EXPECT_EQ(m.size(), 2u + 5 * 4 + 3);
}

}  // namespace
