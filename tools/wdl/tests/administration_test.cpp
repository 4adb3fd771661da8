// The "administration" block between test.json and the archive: stored as
// ADMINSET only when the source has it, listed, extracted back, and the
// settings an author or a damaged copy gets wrong refused by the tool
// (source and archive) with the runner's own parser.
#include "tools/wdl/commands.h"
#include "host/error.h"
#include "tools/wdl/tests/sample_source.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

using namespace wdl_test;

namespace {

const std::string block =
    "\"administration\": {\"ask_id\": \"required\", \"id_max_length\": 10, \"id_letters\": false, "
    "\"id_marks\": \"-.\", \"offer_resume\": true, \"test_minutes\": 40, \"item_seconds\": 90},\n  \"items\"";

void add_block(const std::string &dir, const std::string &text)
{
    replace_in(dir + "/test.json", "\"items\"", text);
}

// The errors of building the source, joined; "" when it builds.
std::string build_errors(const std::string &dir)
{
    try {
        build(dir);
    } catch (const wdl::Error &e) {
        return e.what();
    }
    return "";
}

std::vector<uint8_t> entry_of(const std::vector<uint8_t> &archive, const std::string &name)
{
    for (const wdl::StoredEntry &e : wdl::read_archive(archive, "A"))
        if (e.name == name)
            return e.data;
    return {};
}

TEST(Administration, StoredListedAndExtractedBack)
{
    TempDir dir;
    write_sample_source(dir.path, 4);
    const auto plain = build(dir.path);
    EXPECT_TRUE(entry_of(plain, "ADMINSET").empty());  // without the block, the archive as before

    add_block(dir.path, block);
    const auto with = build(dir.path);
    const std::vector<uint8_t> want = {20, 0, 1, 2, 10, 2, '-', '.', 0, 0, 0, 0, 0, 0, 1, 0, 40, 0, 90, 0};
    EXPECT_EQ(entry_of(with, "ADMINSET"), want);
    for (const auto &f : wdl::check_archive(with, "A"))
        EXPECT_FALSE(f.error) << f.text;

    wdl::write_file_atomic(dir / "A.WDL", with);
    std::ostringstream out;
    wdl::list_command(dir / "A.WDL", out);
    EXPECT_NE(out.str().find("administration: ask for ID: required (1-10 of 0-9 -.), offer resume: yes, "
                             "test limit: 40 min, item limit: 90 s"),
              std::string::npos)
        << out.str();
    wdl::extract_command(dir / "A.WDL", {}, dir / "x", out);
    EXPECT_EQ(build(dir / "x"), with);
}

TEST(Administration, BadSettingsInTheSourceAreRefused)
{
    const std::pair<std::string, std::string> cases[] = {
        {"{\"test_minutes\": 0}", "\"test_minutes\" is 0; it must be from 1 to 600"},
        {"{\"item_seconds\": 100000}", "\"item_seconds\" is 100000; it must be from 1 to 3600"},
        {"{\"id_letters\": false, \"id_digits\": false}", "the ID may hold no character at all"},
        {"{\"id_marks\": \"_\"}", "\"id_marks\" must be at most 8 of the marks"},
        {"{\"ask_id\": \"maybe\"}", "\"ask_id\" must be \"no\", \"yes\" or \"required\""},
        {"{\"id_max_length\": 33}", "\"id_max_length\" is 33; it must be from 1 to 32"},
        {"{\"time\": 3}", "unknown key \"time\" in \"administration\""},
    };
    for (const auto &[settings, why] : cases) {
        TempDir dir;
        write_sample_source(dir.path, 2);
        add_block(dir.path, "\"administration\": " + settings + ",\n  \"items\"");
        const std::string errors = build_errors(dir.path);
        EXPECT_NE(errors.find(why), std::string::npos) << settings << ": " << errors;
    }
}

TEST(Administration, DamagedEntryIsAnError)
{
    TempDir dir;
    write_sample_source(dir.path, 2);
    add_block(dir.path, block);
    const auto good = build(dir.path);
    std::vector<wdl::Resource> resources;
    for (const wdl::StoredEntry &e : wdl::read_archive(good, "A"))
        resources.push_back({e.name, e.data});
    const auto damaged = [&](size_t at, uint8_t value, size_t keep) {
        std::vector<wdl::Resource> r = resources;
        for (wdl::Resource &x : r)
            if (x.name == "ADMINSET") {
                x.data[at] = value;
                x.data.resize(keep);
            }
        std::string errors;
        for (const auto &f : wdl::check_archive(wdl::write_archive(r), "A"))
            if (f.error)
                errors += f.text + "\n";
        return errors;
    };
    EXPECT_NE(damaged(2, 2, 20).find("ADMINSET (administration) is damaged: its version is not 1"), std::string::npos);
    EXPECT_NE(damaged(0, 20, 12).find("its length is not 20 bytes"), std::string::npos);
    EXPECT_NE(damaged(17, 0xFF, 20).find("the test's time limit is over 600 minutes"), std::string::npos);
    EXPECT_NE(damaged(5, 4, 20).find("the ID's characters are not"), std::string::npos);
    EXPECT_NE(damaged(6, '_', 20).find("the ID's characters are not"), std::string::npos);
}

// The remaining time is drawn at the panel's foot: an item text that reaches
// it is warned about when the settings show the time, and only then.
TEST(Administration, ItemTextUnderTheRemainingTimeIsWarnedAbout)
{
    TempDir dir;
    write_sample_source(dir.path, 4);
    std::string lines = "long";
    for (int k = 1; k < 46; k++)
        lines += "\\n" + std::string(k == 45 ? "last" : "");  // the 46th line at y 418..425
    replace_in(dir / "test.json", "Задание 4", lines);
    const auto warnings = [&](const std::string &settings) {
        TempDir copy;
        std::filesystem::copy(dir.path, copy.path, std::filesystem::copy_options::recursive |
                                                       std::filesystem::copy_options::overwrite_existing);
        if (!settings.empty())
            add_block(copy.path, "\"administration\": " + settings + ",\n  \"items\"");
        std::string found;
        for (const auto &f : wdl::check_archive(build(copy.path), "A"))
            found += (f.error ? "error: " : "") + f.text + "\n";
        return found;
    };
    const std::string warning = "item 4 (T04): the text reaches y 426; the remaining time is drawn over it from y 420";
    EXPECT_NE(warnings("{\"test_minutes\": 5, \"show_remaining_time\": true}").find(warning), std::string::npos);
    EXPECT_EQ(warnings("{\"test_minutes\": 5}").find("remaining time"), std::string::npos);
    EXPECT_EQ(warnings("").find("remaining time"), std::string::npos);
    // 45 lines end at y 418, above the time
    replace_in(dir / "test.json", "\\n\\nlast", "\\nlast");
    EXPECT_EQ(warnings("{\"item_seconds\": 30, \"show_remaining_time\": true}").find("remaining time"),
              std::string::npos);
}

TEST(Administration, InitWritesACommentedBlockThatChecksClean)
{
    TempDir dir;
    std::ostringstream out;
    wdl::init_command(dir / "t", "en", out);
    const std::string json = read_text(dir / "t/test.json");
    EXPECT_NE(json.find("// How the test is given"), std::string::npos);
    const auto archive = build(dir / "t");
    EXPECT_EQ(entry_of(archive, "ADMINSET").size(), 20u);
    for (const auto &f : wdl::check_archive(archive, "A"))
        EXPECT_FALSE(f.error) << f.text;
}

}  // namespace
