// Archive reader: lookups, name comparison, packed and plain entries, damaged
// archives, and that every failing path releases what it took.
#include "archive/archive.h"
#include "base/memory.h"
#include "platform/platform.h"
#include "support.h"

using namespace support;

namespace {

class ArchiveReader : public ScratchDir {};

Bytes load(const char *name)
{
    uint32_t length = 12345;
    void *block = res_load(name, &length);
    if (!block) {
        EXPECT_EQ(length, 0u);
        return {};
    }
    Bytes b = block_bytes(block, length);
    mem_free(block);
    return b;
}

TEST_F(ArchiveReader, MinimalArchiveOf33Bytes)
{
    Bytes a = {'W', 'D', 'L', 'Z', 1, 0, 0, 0, 12, 0, 0, 0,
               28, 0, 0, 0, 5, 0, 0, 0, 'M', 'E', 'S', 'S', 'A', 'G', 'E', 'S',
               10, 20, 30, 40, 50};
    ASSERT_EQ(a.size(), 33u);
    write_file("MERIDOKA.WDL", a);

    EXPECT_EQ(load("MESSAGES"), (Bytes{10, 20, 30, 40, 50}));
    EXPECT_EQ(res_load("MESSAGE", nullptr), nullptr);
    EXPECT_EQ(res_load("TESTINFO", nullptr), nullptr);
    EXPECT_EQ(res_load("", nullptr), nullptr);
    void *block = res_load("MESSAGES", nullptr);  // the length is optional
    EXPECT_NE(block, nullptr);
    mem_free(block);
}

TEST_F(ArchiveReader, NamesFoldAsciiCaseOnly)
{
    write_archive({plain("TESTINFO", {1}), plain("\x8f\x90", {2})});
    EXPECT_EQ(load("testinfo"), Bytes{1});
    EXPECT_EQ(load("TeStInFo"), Bytes{1});
    EXPECT_EQ(load("\x8f\x90"), Bytes{2});
    // Cyrillic capital vs small letter (0x8F / 0xAF in CP866) differ
    EXPECT_EQ(res_load("\xaf\x90", nullptr), nullptr);
}

TEST_F(ArchiveReader, AtMostEightCharactersTakePart)
{
    write_archive({plain("TESTINF", {7}), plain("TESTINFO", {8})});
    // a 7-character entry name does not match the 8-character wanted name
    EXPECT_EQ(load("TESTINFO"), Bytes{8});
    EXPECT_EQ(load("TESTINF"), Bytes{7});
    // a longer wanted name matches on its first 8 characters
    EXPECT_EQ(load("TESTINFO_AND_MORE"), Bytes{8});
}

TEST_F(ArchiveReader, FirstOfTwoEqualNamesWins)
{
    write_archive({plain("PIC0", {1, 1}), plain("pic0", {2, 2, 2})});
    EXPECT_EQ(load("PIC0"), (Bytes{1, 1}));
}

TEST_F(ArchiveReader, PackedAndPlainEntries)
{
    Bytes data = text_bytes("packed entries come back unpacked, byte for byte");
    write_archive({packed("TEXT", data), plain("RAW", data)});
    EXPECT_EQ(load("TEXT"), data);
    EXPECT_EQ(load("RAW"), data);
}

TEST_F(ArchiveReader, ShortPackedStreamLeavesAZeroTail)
{
    Entry e = packed("SHORT", {1, 2, 3});
    e.unpacked = 6;
    write_archive({e});
    EXPECT_EQ(load("SHORT"), (Bytes{1, 2, 3, 0, 0, 0}));
}

TEST_F(ArchiveReader, ArchiveCutShortReadsAsZeros)
{
    Bytes a = archive_bytes({plain("FIRST", {9, 9}), plain("LAST", {1, 2, 3, 4, 5, 6})});
    a.resize(a.size() - 4);
    write_file("MERIDOKA.WDL", a);
    EXPECT_EQ(load("LAST"), (Bytes{1, 2, 0, 0, 0, 0}));
    EXPECT_EQ(load("FIRST"), (Bytes{9, 9}));

    // a directory cut inside its second entry: that entry reads as empty
    a = archive_bytes({plain("A", {1}), plain("B", {2})});
    a.resize(12 + 16 + 6);
    write_file("MERIDOKA.WDL", a);
    EXPECT_EQ(res_load("B", nullptr), nullptr);
}

TEST_F(ArchiveReader, NotAnArchive)
{
    EXPECT_EQ(res_load("TESTINFO", nullptr), nullptr);  // no file at all
    Bytes a = archive_bytes({plain("TESTINFO", {1})});
    a[3] = 'z';  // "WDLz"
    write_file("MERIDOKA.WDL", a);
    EXPECT_EQ(res_load("TESTINFO", nullptr), nullptr);
    write_file("MERIDOKA.WDL", {'W', 'D', 'L'});
    EXPECT_EQ(res_load("TESTINFO", nullptr), nullptr);
    write_archive({});
    EXPECT_EQ(res_load("TESTINFO", nullptr), nullptr);
    EXPECT_EQ(headless::current().live_blocks, 0);
}

TEST_F(ArchiveReader, EmptyEntryGivesAnEmptyBlock)
{
    write_archive({plain("EMPTY", {})});
    uint32_t length = 12345;
    void *block = res_load("EMPTY", &length);
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(length, 0u);
    mem_free(block);
}

TEST_F(ArchiveReader, ArchiveOpenElsewhereFailsTheLookup)
{
    write_archive({plain("A", {1})});
    FileHandle other = file_open("MERIDOKA.WDL", "rb");
    ASSERT_NE(other, nullptr);
    EXPECT_EQ(res_load("A", nullptr), nullptr);
    file_close(other);
    EXPECT_EQ(load("A"), Bytes{1});
}

// Every allocation of a lookup fails in turn: null, nothing left behind,
// and the archive is closed again (the next lookup can open it).
TEST_F(ArchiveReader, AllocationFailuresLeaveNothingBehind)
{
    write_archive({packed("P", text_bytes("abcdefgh"))});
    headless::Run &counted = headless::reset();
    mem_free(res_load("P", nullptr));
    const uint64_t made = counted.allocations;  // a packed resource: its block and the stored bytes
    ASSERT_EQ(made, 2u);
    for (uint64_t n = 1; n <= made; n++) {
        headless::Run &run = headless::reset();
        run.fail_allocation = n;
        EXPECT_EQ(res_load("P", nullptr), nullptr) << "allocation " << n;
        EXPECT_EQ(run.live_blocks, 0) << "allocation " << n;
    }
    headless::reset();
    EXPECT_EQ(load("P"), text_bytes("abcdefgh"));
}

TEST(NameCompare, ResultsAndLimits)
{
    EXPECT_EQ(res_name_cmp("abc", "ABC", 8), 0);
    EXPECT_EQ(res_name_cmp("abc", "abd", 8), 'c' - 'd');
    EXPECT_EQ(res_name_cmp("abc", "abd", 2), 0);
    EXPECT_EQ(res_name_cmp("x", "y", 0), 0);
    EXPECT_EQ(res_name_cmp("ab", "abc", 8), -'c');
    // the difference is taken as a signed 8-bit value
    EXPECT_EQ(res_name_cmp("\xff", "a", 8), int8_t(0xff - 'a'));
    // bytes after a shared end are not compared
    EXPECT_EQ(res_name_cmp("ab\0xyz", "ab\0qrs", 8), 0);
}

}  // namespace
