// Item table and message table: record offsets, fields, indices, and tables
// whose counts or lengths run past their block.
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
    Bytes unended = table_bytes({{"A", 1, 0x11FF, "text"}});
    unended.back() = 'x';  // text without its zero byte
    bad.push_back(unended);
    bad.push_back({5});  // not even a count

    for (size_t i = 0; i < bad.size(); i++) {
        write_archive({plain("TESTINFO", bad[i])});
        headless::Run &run = headless::reset();
        EXPECT_EQ(testinfo_load("TESTINFO"), nullptr) << "case " << i;
        EXPECT_EQ(run.live_blocks, 0) << "case " << i;
    }
}

TEST_F(Tables, LoadFailuresReleaseEverything)
{
    write_archive({plain("TESTINFO", table_bytes({{"A", 1, 0x11FF, "text"}}))});
    EXPECT_EQ(testinfo_load("NOSUCH"), nullptr);
    for (uint64_t n = 1; n <= 4; n++) {
        headless::Run &run = headless::reset();
        run.fail_allocation = n;
        EXPECT_EQ(testinfo_load("TESTINFO"), nullptr) << "allocation " << n;
        EXPECT_EQ(run.live_blocks, 0);
    }
}

// MESSAGES blocks are used as loaded; msg_get needs a block from mem_alloc.
void *message_block(const Bytes &bytes)
{
    void *block = mem_alloc(uint32_t(bytes.size()));
    std::copy(bytes.begin(), bytes.end(), static_cast<uint8_t *>(block));
    return block;
}

TEST(Messages, TenByteBlock)
{
    void *m = message_block({2, 0, 3, 0, 'h', 'i', 0, 1, 0, 0});
    const char *base = static_cast<const char *>(m);
    EXPECT_EQ(msg_get(m, 0), base + 4);
    EXPECT_STREQ(msg_get(m, 0), "hi");
    EXPECT_EQ(msg_get(m, 1), base + 9);
    EXPECT_STREQ(msg_get(m, 1), "");
    EXPECT_EQ(msg_get(m, 2), nullptr);
    EXPECT_EQ(msg_get(m, -1), nullptr);
    EXPECT_EQ(msg_get(nullptr, 0), nullptr);
    mem_free(m);

    m = message_block({0, 0});
    EXPECT_EQ(msg_get(m, 0), nullptr);
    mem_free(m);
}

TEST(Messages, MessagesThatDoNotFitAreMissing)
{
    // count 3; message 1 claims 9 bytes of body where 4 are left
    void *m = message_block({3, 0, 2, 0, 'a', 0, 9, 0, 'b', 'c', 'd', 0});
    EXPECT_STREQ(msg_get(m, 0), "a");
    EXPECT_EQ(msg_get(m, 1), nullptr);
    EXPECT_EQ(msg_get(m, 2), nullptr);
    mem_free(m);

    // a body without its zero byte
    m = message_block({1, 0, 2, 0, 'a', 'b'});
    EXPECT_EQ(msg_get(m, 0), nullptr);
    mem_free(m);

    // a block too short for its count
    m = message_block({7});
    EXPECT_EQ(msg_get(m, 0), nullptr);
    mem_free(m);
}

}  // namespace
