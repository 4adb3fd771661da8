// check finds each defect the runner would trip over, in archives broken on
// purpose, and passes a sound one.
#include "tools/wdl/commands.h"
#include "host/codepages.h"
#include "host/little_endian.h"
#include "tools/wdl/tests/sample_source.h"

#include "archive/format.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>

using namespace wdl_test;

namespace {

using Resources = std::vector<wdl::Resource>;

Resources sample_resources(int items = 5)
{
    TempDir dir;
    write_sample_source(dir.path, items);
    return wdl::test_resources(wdl::load_source(dir.path));
}

wdl::Resource &res(Resources &r, const std::string &name)
{
    for (auto &x : r)
        if (x.name == name)
            return x;
    throw std::runtime_error("no " + name);
}

void drop(Resources &r, const std::string &name)
{
    r.erase(std::remove_if(r.begin(), r.end(), [&](const wdl::Resource &x) { return x.name == name; }), r.end());
}

std::string errors_of(const std::vector<uint8_t> &bytes)
{
    std::string s;
    for (const auto &f : wdl::check_archive(bytes, "A.WDL"))
        if (f.error)
            s += f.text + "\n";
    return s;
}

std::string errors_of(const Resources &r) { return errors_of(wdl::write_archive(r)); }

std::string warnings_of(const Resources &r)
{
    std::string s;
    for (const auto &f : wdl::check_archive(wdl::write_archive(r), "A.WDL"))
        if (!f.error)
            s += f.text + "\n";
    return s;
}

// Edits the item table's record of item i (0-based) in place.
void edit_item(Resources &r, size_t i, const std::function<void(uint8_t *)> &fn)
{
    auto &t = res(r, "TESTINFO").data;
    size_t pos = 2;
    for (size_t k = 0; k < i; k++)
        pos += 12 + t[pos + 1];
    fn(&t[pos]);
}

Resources with_messages(Resources r, const std::vector<std::string> &utf8)
{
    std::vector<std::string> m;
    for (const auto &s : utf8)
        m.push_back(wdl::utf8_to_cp866(s, "", 0));
    res(r, "MESSAGES").data = wdl::encode_messages(m);
    return r;
}

#define EXPECT_HAS(haystack, needle) EXPECT_NE((haystack).find(needle), std::string::npos) << (haystack)

TEST(Check, SoundArchivePasses)
{
    const Resources r = sample_resources();
    EXPECT_EQ(errors_of(r), "");
    EXPECT_EQ(warnings_of(r), "");
}

TEST(Check, NotAnArchive)
{
    EXPECT_HAS(errors_of(std::vector<uint8_t>{'W', 'D', 'L', 'z', 0, 0, 0, 0, 12, 0, 0, 0}), "not a test archive");
    std::vector<uint8_t> b = wdl::write_archive(sample_resources());
    b.resize(100);
    EXPECT_HAS(errors_of(b), "directory");
}

TEST(Check, RequiredResources)
{
    for (const char *name : {"TESTINFO", "MESSAGES", "DOS8X8RU"}) {
        Resources r = sample_resources();
        drop(r, name);
        EXPECT_HAS(errors_of(r), std::string(name) + " ");
    }
    Resources r = sample_resources();
    drop(r, "TESTTEXT");
    EXPECT_EQ(errors_of(r), "");
    EXPECT_HAS(warnings_of(r), "without an instruction screen");
}

TEST(Check, TruncatedArchive)
{
    std::vector<uint8_t> b = wdl::write_archive(sample_resources());
    b.resize(b.size() - 10);
    EXPECT_HAS(errors_of(b), "run past the end of the file");
}

TEST(Check, ShortPackedStream)
{
    std::vector<uint8_t> b = wdl::write_archive(sample_resources());
    // TESTINFO is the first entry: claim more unpacked bytes than its stream yields
    const size_t unpacked = wdl::get32(&b[archive_directory_at]) + entry_unpacked_at;
    ASSERT_NE(b[unpacked] | b[unpacked + 1], 0);
    b[unpacked + 1] = uint8_t(b[unpacked + 1] + 1);
    EXPECT_HAS(errors_of(b), "the packed stream yields only");
}

TEST(Check, ItemTable)
{
    Resources r = sample_resources();
    res(r, "TESTINFO").data = {0, 0};
    EXPECT_HAS(errors_of(r), "TESTINFO has no items");

    r = sample_resources();
    res(r, "TESTINFO").data[0] = 9;  // more items than records
    EXPECT_HAS(errors_of(r), "runs past the end of TESTINFO");

    r = sample_resources();
    edit_item(r, 1, [](uint8_t *rec) { rec[0] = 4; });  // mask 0x111: three answers
    EXPECT_HAS(errors_of(r), "item 2 (T02): the answer is 4 but the digits 1..3");

    r = sample_resources();
    edit_item(r, 0, [](uint8_t *rec) { rec[0] = 0; });
    EXPECT_HAS(errors_of(r), "item 1 (T01): the answer is 0");

    r = sample_resources();
    edit_item(r, 2, [](uint8_t *rec) { rec[3] = 0x01; });  // empty cell 0
    EXPECT_HAS(errors_of(r), "item 3 (T03): the empty cell is 0");

    r = sample_resources();
    edit_item(r, 2, [](uint8_t *rec) { rec[3] = 0xA1; });  // empty cell 10
    EXPECT_HAS(errors_of(r), "the empty cell is 10");

    r = sample_resources();
    edit_item(r, 3, [](uint8_t *rec) { rec[2] = 0; rec[3] = 0x10; });
    EXPECT_HAS(errors_of(r), "no answer cell is present");

    r = sample_resources();
    edit_item(r, 0, [](uint8_t *rec) { rec[1] = uint8_t(rec[1] - 1); });  // the zero falls outside
    EXPECT_HAS(errors_of(r), "no zero byte");
}

TEST(Check, PictureNamesMustDifferInTheirFirstSevenCharacters)
{
    Resources r = sample_resources();
    edit_item(r, 4, [](uint8_t *rec) { std::memcpy(rec + 4, "t01", 3); });
    EXPECT_HAS(errors_of(r), "item 5 (t01): item 1 has the same picture name");
}

TEST(Check, Pictures)
{
    Resources r = sample_resources();
    drop(r, "T031");
    EXPECT_HAS(errors_of(r), "item 3 (T03): picture T031 is missing");

    r = sample_resources();
    wdl::Picture small;
    small.width = 350;
    small.height = 190;
    small.white.assign(350 * 190, 1);
    res(r, "T020").data = wdl::to_mono_bitmap(small);
    EXPECT_HAS(errors_of(r), "picture T020 is 350x190; it must be 352x190");

    r = sample_resources();
    res(r, "T020").data[28] = 8;
    EXPECT_HAS(errors_of(r), "picture T020 is not a one-bit picture");

    r = sample_resources();
    res(r, "T021").data.resize(1000);
    EXPECT_HAS(errors_of(r), "picture T021 is 1000 bytes");

    r = sample_resources();
    r.push_back({"EXTRA0", res(r, "T010").data});
    EXPECT_HAS(warnings_of(r), "\"EXTRA0\" is not used");
}

TEST(Check, Font)
{
    Resources r = sample_resources();
    res(r, "DOS8X8RU").data.resize(2047);
    EXPECT_HAS(errors_of(r), "DOS8X8RU (the font) is 2047 bytes");
    r = sample_resources();
    res(r, "DOS8X8RU").data[0xDB * 8 + 3] = 0x7F;
    EXPECT_HAS(warnings_of(r), "glyph DB is not a full block");
}

TEST(Check, Messages)
{
    const Resources base = sample_resources();
    EXPECT_HAS(errors_of(with_messages(base, {"a", "b", "c", "d"})), "message 4 is missing");
    EXPECT_HAS(errors_of(with_messages(base, {"a", "b", "c", "d", "e"})), "message 5 is missing");
    const std::string ok = std::string(35, 'x');
    EXPECT_EQ(errors_of(with_messages(base, {ok, std::string(78, 'x'), std::string(32, 'x'), "d", "e",
                                             std::string(80, 'x')})),
              "");
    EXPECT_HAS(errors_of(with_messages(base, {ok + "x", "b", "c", "d", "e", "f"})),
               "message 0 (panel heading): line 1 has 36 characters; at most 35 fit");
    EXPECT_HAS(errors_of(with_messages(base, {"1\n2\n3\n4\n5", "b", "c", "d", "e", "f"})), "message 0 (panel heading): 5 lines");
    EXPECT_HAS(errors_of(with_messages(base, {"a", std::string(79, 'x'), "c", "d", "e", "f"})), "message 1");
    EXPECT_HAS(errors_of(with_messages(base, {"a", "b", std::string(33, 'x'), "d", "e", "f"})),
               "message 2 (wrong-answer box) has 33 characters; at most 32 fit");
    EXPECT_HAS(errors_of(with_messages(base, {"a", "b", "x\ny", "d", "e", "f"})), "must be one line");
    EXPECT_HAS(errors_of(with_messages(base, {"a", "b", "c", "d", "e", std::string(81, 'x')})), "message 5");

    Resources r = sample_resources();
    res(r, "MESSAGES").data[0] = 7;
    EXPECT_HAS(errors_of(r), "message 6 runs past the end of MESSAGES");
}

TEST(Check, InstructionMustFit)
{
    Resources r = sample_resources();
    std::string t = std::string(79, 'x') + '\0';
    res(r, "TESTTEXT").data.assign(t.begin(), t.end());
    EXPECT_HAS(errors_of(r), "TESTTEXT (instruction): line 1 has 79 characters; at most 78 fit");
    std::string lines;
    for (int k = 0; k < 50; k++)
        lines += "line\n";
    lines += '\0';
    res(r, "TESTTEXT").data.assign(lines.begin(), lines.end());
    EXPECT_HAS(errors_of(r), "TESTTEXT (instruction): the text reaches y");
}

TEST(Check, MultiLineItemTextsLeaveLinesBehind)
{
    TempDir dir;
    write_sample_source(dir.path, 4);
    std::string json = read_text(dir / "test.json");
    json.replace(json.find("Задание 2"), std::string("Задание 2").size(), "two\\nlines");
    write_text(dir / "test.json", json);
    const Resources r = wdl::test_resources(wdl::load_source(dir.path));
    EXPECT_EQ(errors_of(r), "");
    EXPECT_HAS(warnings_of(r), "item 2 (T02): the text has 2 lines");
}

TEST(Check, CommandExitsNonZeroOnErrors)
{
    TempDir dir;
    Resources r = sample_resources();
    drop(r, "MESSAGES");
    wdl::write_file_atomic(dir / "BAD.WDL", wdl::write_archive(r));
    const std::string cmd = std::string(WDL_BINARY) + " check " + dir.path + "/BAD.WDL > " + dir.path + "/out.txt";
    EXPECT_NE(std::system(cmd.c_str()), 0);
    EXPECT_HAS(read_text(dir / "out.txt"), "error: MESSAGES is missing");
}

}  // namespace
