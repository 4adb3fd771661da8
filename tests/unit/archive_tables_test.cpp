// Item table and message table: record offsets, fields, indices, texts
// without their own zero byte, and tables whose counts or lengths run past
// their block.
#include "archive/archive.h"
#include "base/memory.h"
#include "archive/testinfo.h"
#include "support.h"

using namespace support;

namespace {

class Tables : public ScratchDir {};

TEST_F(Tables, RecordsFollowTheirTextLengths)
{
    write_archive({plain("TESTINFO", table_bytes({{"FIRST", 2, 0x5111, "abcde"}, {"SECOND12", 9, 0x91FF, ""}}))});
    TestTable *t = testinfo_load("TESTINFO");
    ASSERT_NE(t, nullptr);
    ASSERT_EQ(t->count, 2);
    EXPECT_EQ(t->raw_length, 2u + 18 + 13);
    EXPECT_EQ(t->items[0].answer, 2);
    EXPECT_EQ(t->items[0].text_length, 6);
    EXPECT_EQ(t->items[0].mask, 0x5111);
    EXPECT_EQ(t->items[0].name, reinterpret_cast<const char *>(t->raw) + 6);
    EXPECT_STREQ(t->items[0].text, "abcde");
    // the second record starts at 2 + 12 + 6 = 20
    EXPECT_EQ(t->items[1].name, reinterpret_cast<const char *>(t->raw) + 24);
    EXPECT_EQ(std::string(t->items[1].name, 8), "SECOND12");
    EXPECT_EQ(t->items[1].text, reinterpret_cast<const char *>(t->raw) + 32);
    EXPECT_EQ(t->items[1].mask, 0x91FF);
    testinfo_free(t);
}

TEST_F(Tables, MaskWordSplitsIntoOptionsAndEmptyCell)
{
    Bytes raw = {1, 0, 2, 1, 0x11, 0x51, 'N', 0, 0, 0, 0, 0, 0, 0, 0};
    write_archive({plain("TESTINFO", raw)});
    TestTable *t = testinfo_load("TESTINFO");
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->items[0].mask, 0x5111);
    EXPECT_EQ(t->items[0].mask & 0x1FF, 0x111);
    EXPECT_EQ(t->items[0].mask >> 12, 5);
    testinfo_free(t);
}

TEST_F(Tables, ZeroItemsLoadAsAnEmptyTable)
{
    write_archive({plain("TESTINFO", {0, 0})});
    TestTable *t = testinfo_load("TESTINFO");
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->count, 0);
    testinfo_free(t);
    testinfo_free(nullptr);
}

TEST_F(Tables, ZeroTextLengthReadsAsEmptyText)
{
    Bytes raw = {1, 0, 1, 0, 0xFF, 0x91, 'N', 0, 0, 0, 0, 0, 0, 0};
    write_archive({plain("TESTINFO", raw)});
    TestTable *t = testinfo_load("TESTINFO");
    ASSERT_NE(t, nullptr);
    EXPECT_STREQ(t->items[0].text, "");
    testinfo_free(t);
}

TEST_F(Tables, ItemTablesRunningPastTheirBlockDoNotLoad)
{
    Bytes good = table_bytes({{"A", 1, 0x11FF, "text"}, {"B", 1, 0x11FF, "more"}});
    std::vector<Bytes> bad;
    bad.push_back(Bytes(good.begin(), good.end() - 1));  // last text cut
    bad.push_back(Bytes(good.begin(), good.begin() + 20));  // second record cut in its header
    Bytes more = good;
    more[0] = 3;  // one item more than there are records
    bad.push_back(more);
    bad.push_back({5});  // not even a count

    for (size_t i = 0; i < bad.size(); i++) {
        write_archive({plain("TESTINFO", bad[i])});
        headless::Run &run = headless::reset();
        EXPECT_EQ(testinfo_load("TESTINFO"), nullptr) << "case " << i;
        EXPECT_EQ(run.live_blocks, 0) << "case " << i;
    }
}

// One record as stored: answer 1, the given text length, mask 0x11FF, name, text bytes.
Bytes record(const std::string &name, uint8_t text_length, const std::string &text)
{
    Bytes r = {1, text_length, 0xFF, 0x11};
    for (size_t i = 0; i < archive_name_size; i++)
        r.push_back(i < name.size() ? uint8_t(name[i]) : 0);
    r.insert(r.end(), text.begin(), text.end());
    return r;
}

TEST_F(Tables, TextsWithoutTheirZeroByteRunOnToTheNextOne)
{
    // "abc" stored without its zero byte runs into the next record; a text
    // of length 0 starts where the next record does; the last text runs to
    // the last byte of the block and stops after it
    Bytes raw = {4, 0};
    for (const Bytes &r : {record("A", 3, "abc"), record("B", 0, ""), record("C", 3, std::string("xy\0", 3)),
                           record("D", 3, "end")})
        raw.insert(raw.end(), r.begin(), r.end());
    for (bool pack : {false, true}) {
        write_archive({pack ? packed("TESTINFO", raw) : plain("TESTINFO", raw)});
        TestTable *t = testinfo_load("TESTINFO");
        ASSERT_NE(t, nullptr) << "packed " << pack;
        ASSERT_EQ(t->count, 4);
        EXPECT_EQ(t->items[0].text_length, 3);
        EXPECT_EQ(std::string(t->items[0].text), "abc\x01");  // the next record's answer byte, then its length 0
        EXPECT_EQ(t->items[1].text, t->items[1].name + 8);
        EXPECT_EQ(std::string(t->items[1].text), "\x01\x03\xFF\x11" "C");
        EXPECT_STREQ(t->items[2].text, "xy");
        EXPECT_EQ(t->items[3].text + 3, reinterpret_cast<const char *>(t->raw) + t->raw_length);
        EXPECT_STREQ(t->items[3].text, "end");
        testinfo_free(t);
    }

    // a text of length 0 at the very end reads as empty
    Bytes last = {1, 0};
    Bytes r = record("E", 0, "");
    last.insert(last.end(), r.begin(), r.end());
    write_archive({plain("TESTINFO", last)});
    TestTable *t = testinfo_load("TESTINFO");
    ASSERT_NE(t, nullptr);
    EXPECT_STREQ(t->items[0].text, "");
    testinfo_free(t);
}

TEST_F(Tables, LoadFailuresReleaseEverything)
{
    write_archive({plain("TESTINFO", table_bytes({{"A", 1, 0x11FF, "text"}}))});
    EXPECT_EQ(testinfo_load("NOSUCH"), nullptr);
    headless::Run &counted = headless::reset();
    testinfo_free(testinfo_load("TESTINFO"));
    const uint64_t made = counted.allocations;
    ASSERT_GE(made, 2u);  // the resource's block and the table's
    for (uint64_t n = 1; n <= made; n++) {
        headless::Run &run = headless::reset();
        run.fail_allocation = n;
        EXPECT_EQ(testinfo_load("TESTINFO"), nullptr) << "allocation " << n;
        EXPECT_EQ(run.live_blocks, 0);
    }
}

// A MESSAGES resource in a block of its length and the zero byte that
// res_load_text puts after it (the sanitizers see any read past them), read
// through msg_get.
class MessageBlock {
public:
    explicit MessageBlock(const Bytes &bytes) : length_(uint32_t(bytes.size()))
    {
        block_ = static_cast<char *>(mem_alloc(length_ + 1));
        std::copy(bytes.begin(), bytes.end(), block_);
    }
    ~MessageBlock() { mem_free(block_); }
    MessageBlock(const MessageBlock &) = delete;
    MessageBlock &operator=(const MessageBlock &) = delete;
    const char *get(int index, uint32_t length) const { return msg_get(block_, length, index); }
    const char *get(int index) const { return get(index, length_); }
    const char *base() const { return block_; }

private:
    uint32_t length_;
    char *block_;
};

TEST(Messages, TenByteBlock)
{
    MessageBlock m({2, 0, 3, 0, 'h', 'i', 0, 1, 0, 0});
    EXPECT_EQ(m.get(0), m.base() + 4);
    EXPECT_STREQ(m.get(0), "hi");
    EXPECT_EQ(m.get(1), m.base() + 9);
    EXPECT_STREQ(m.get(1), "");
    EXPECT_EQ(m.get(2), nullptr);
    EXPECT_EQ(m.get(-1), nullptr);
    EXPECT_EQ(msg_get(nullptr, 10, 0), nullptr);

    MessageBlock none({0, 0});
    EXPECT_EQ(none.get(0), nullptr);
}

TEST(Messages, MessagesThatDoNotFitAreMissing)
{
    // count 3; message 1 claims 9 bytes of body where 4 are left
    MessageBlock m({3, 0, 2, 0, 'a', 0, 9, 0, 'b', 'c', 'd', 0});
    EXPECT_STREQ(m.get(0), "a");
    EXPECT_EQ(m.get(1), nullptr);
    EXPECT_EQ(m.get(2), nullptr);

    // a block too short for its count
    EXPECT_EQ(MessageBlock({7}).get(0), nullptr);
}

TEST(Messages, BodiesWithoutTheirZeroByteRunOn)
{
    // "RES" with L = 3 runs into the next record (length 0, then "end" to
    // the block's last byte and the zero byte after it)
    MessageBlock m({3, 0, 3, 0, 'R', 'E', 'S', 0, 0, 3, 0, 'e', 'n', 'd'});
    EXPECT_EQ(m.get(0), m.base() + 4);
    EXPECT_STREQ(m.get(0), "RES");
    EXPECT_EQ(m.get(1), m.base() + 9);
    EXPECT_EQ(std::string(m.get(1)), "\x03");
    EXPECT_STREQ(m.get(2), "end");
    EXPECT_EQ(m.get(3), nullptr);

    // L = 0 as the last record: its body is the zero byte after the block
    MessageBlock empty({1, 0, 0, 0});
    EXPECT_EQ(empty.get(0), empty.base() + 4);
    EXPECT_STREQ(empty.get(0), "");
}

class LoadedMessages : public ScratchDir {};

TEST_F(LoadedMessages, TheLastTextEndsAfterTheBlock)
{
    Bytes bytes = {2, 0, 3, 0, 'a', 'b', 0, 4, 0, 'w', 'x', 'y', 'z'};
    for (bool pack : {false, true}) {
        write_archive({pack ? packed("MESSAGES", bytes) : plain("MESSAGES", bytes)});
        uint32_t length = 0;
        char *block = static_cast<char *>(res_load_text("MESSAGES", &length));
        ASSERT_NE(block, nullptr);
        EXPECT_EQ(length, bytes.size());
        EXPECT_STREQ(msg_get(block, length, 0), "ab");
        EXPECT_STREQ(msg_get(block, length, 1), "wxyz");
        mem_free(block);
    }
}

TEST(Messages, OnlyTheGivenLengthCounts)
{
    // the bytes go on, but a message past the length given is missing
    MessageBlock m({2, 0, 3, 0, 'h', 'i', 0, 1, 0, 0});
    EXPECT_STREQ(m.get(0, 7), "hi");
    EXPECT_EQ(m.get(1, 7), nullptr);
    EXPECT_EQ(m.get(1, 9), nullptr);
    EXPECT_EQ(m.get(0, 6), nullptr);  // the zero byte of "hi" lies past the end
    EXPECT_EQ(m.get(0, 1), nullptr);
    EXPECT_EQ(m.get(0, 0), nullptr);
}

}  // namespace
