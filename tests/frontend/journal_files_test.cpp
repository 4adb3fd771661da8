// The file calls the session journal and the result file stand on: create
// only a new name, commit, cut back, rename over an old file, delete, list
// names matching a pattern. Built over each front end's file layer: POSIX
// on the host, Windows in the Windows tests.
#include "platform/platform.h"
#include "tests/frontend/working_folder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

class JournalFiles : public InWorkingFolder {
protected:
    static std::string read(const char *name)
    {
        std::ifstream in(name, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    static void write(const char *name, const std::string &text) { std::ofstream(name, std::ios::binary) << text; }
};

TEST_F(JournalFiles, CreateNewRefusesAnExistingName)
{
    FileHandle f = file_open("S0000001.CSV", "wxb");
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(file_write("row\r\n", 1, 5, f), 5u);
    EXPECT_EQ(file_commit(f), 0);
    EXPECT_EQ(file_close(f), 0);
    EXPECT_EQ(read("S0000001.CSV"), "row\r\n");
    EXPECT_EQ(file_open("S0000001.CSV", "wxb"), nullptr);
    EXPECT_EQ(read("S0000001.CSV"), "row\r\n");  // not truncated by the refusal
    EXPECT_EQ(file_commit(nullptr), -1);
}

TEST_F(JournalFiles, TruncateCutsAndLeavesThePositionAtTheEnd)
{
    write("j", "whole row\r\ncut ro");
    FileHandle f = file_open("j", "r+");
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(file_truncate(f, 11), 0);
    EXPECT_EQ(file_tell(f), 11);
    EXPECT_EQ(file_write("next\r\n", 1, 6, f), 6u);
    file_close(f);
    EXPECT_EQ(read("j"), "whole row\r\nnext\r\n");
    EXPECT_EQ(file_truncate(nullptr, 0), -1);
}

TEST_F(JournalFiles, ReplaceTakesTheOldNameAndDeleteRemoves)
{
    write("RESULT-W.TXT", "old");
    write("RESULT-W.TMP", "new");
    EXPECT_EQ(file_replace("RESULT-W.TMP", "RESULT-W.TXT"), 0);
    EXPECT_EQ(read("RESULT-W.TXT"), "new");
    EXPECT_FALSE(fs::exists("RESULT-W.TMP"));
    EXPECT_EQ(file_replace("RESULT-W.TMP", "RESULT-W.TXT"), -1);
    EXPECT_EQ(read("RESULT-W.TXT"), "new");
    EXPECT_EQ(file_replace("RESULT-W.TXT", "FRESH.TXT"), 0);  // to a free name too
    EXPECT_EQ(file_delete("FRESH.TXT"), 0);
    EXPECT_EQ(file_delete("FRESH.TXT"), -1);
    EXPECT_TRUE(fs::is_empty("."));
}

void collect(const char *name, void *context) { static_cast<std::vector<std::string> *>(context)->push_back(name); }

// Every matching name is reported, in any case; the system may add more.
TEST_F(JournalFiles, ListingFindsTheMatchingNames)
{
    for (const char *name : {"S0000001.CSV", "s0000002.csv", "S0000003.TXT", "A0000004.CSV", "S00005.CSV"})
        write(name, "x");
    std::vector<std::string> found;
    file_list("S???????.CSV", collect, &found);
    std::sort(found.begin(), found.end());
    for (const char *name : {"S0000001.CSV", "s0000002.csv"})
        EXPECT_TRUE(std::find(found.begin(), found.end(), name) != found.end()) << name;
    for (const char *name : {"S0000003.TXT", "A0000004.CSV"})
        EXPECT_TRUE(std::find(found.begin(), found.end(), name) == found.end()) << name;
}

}  // namespace
