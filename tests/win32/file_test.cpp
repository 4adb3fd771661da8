// The file layer on real KERNEL32 files: modes, sharing, byte counts, null handles.
#include <gtest/gtest.h>

#include <cstring>

#include "platform/platform.h"
#include "tests/win32/temp_dir.h"

namespace {

void write_file(const char *name, const char *text)
{
    FileHandle f = file_open(name, "wb");
    ASSERT_NE(f, nullptr);
    uint32_t n = (uint32_t)std::strlen(text);
    EXPECT_EQ(file_write(text, 1, n, f), n);
    EXPECT_EQ(file_close(f), 0);
}

TEST(FileLayer, ReadOfMissingFileGivesNull)
{
    TempDir dir;
    EXPECT_EQ(file_open("MISSING.BIN", "rb"), nullptr);
    EXPECT_EQ(file_open("MISSING.BIN", "r+"), nullptr);  // only "w" creates
    EXPECT_EQ(file_size_of("MISSING.BIN"), -1);
}

TEST(FileLayer, WriteCreatesAndTruncates)
{
    TempDir dir;
    write_file("A.TXT", "0123456789");
    EXPECT_EQ(file_size_of("A.TXT"), 10);
    FileHandle f = file_open("A.TXT", "wb");
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(file_size_of("A.TXT"), 0);
    EXPECT_EQ(file_close(f), 0);
    EXPECT_EQ(file_size_of("A.TXT"), 0);
}

TEST(FileLayer, PlusWritesWithoutTruncating)
{
    TempDir dir;
    write_file("A.TXT", "0123456789");
    FileHandle f = file_open("A.TXT", "r+");
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(file_seek(f, 4, 0), 0);
    EXPECT_EQ(file_write("ab", 1, 2, f), 2u);
    EXPECT_EQ(file_seek(f, 0, 0), 0);
    char buf[16] = {};
    EXPECT_EQ(file_read(buf, 1, 10, f), 10u);
    EXPECT_STREQ(buf, "0123ab6789");
    EXPECT_EQ(file_close(f), 0);
}

TEST(FileLayer, ReadsAndWritesCountBytesNotElements)
{
    TempDir dir;
    uint8_t data[48];
    for (int i = 0; i < 48; i++)
        data[i] = (uint8_t)(i * 7);
    FileHandle f = file_open("D.BIN", "wb");
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(file_write(data, 16, 3, f), 48u);
    EXPECT_EQ(file_close(f), 0);

    f = file_open("D.BIN", "rb");
    ASSERT_NE(f, nullptr);
    uint8_t back[64] = {};
    EXPECT_EQ(file_read(back, 16, 3, f), 48u);
    EXPECT_EQ(std::memcmp(back, data, 48), 0);
    EXPECT_EQ(file_read(back, 16, 1, f), 0u);  // at the end
    EXPECT_EQ(file_seek(f, 40, 0), 0);
    EXPECT_EQ(file_read(back, 16, 1, f), 8u);  // a short read reports what came
    EXPECT_EQ(file_write(data, 1, 4, f), 0u);  // opened for reading only
    EXPECT_EQ(file_close(f), 0);
}

TEST(FileLayer, RequestsPastTwoGigabytesTransferNothing)
{
    TempDir dir;
    write_file("E.BIN", "0123456789");
    FileHandle f = file_open("E.BIN", "r+");
    ASSERT_NE(f, nullptr);
    char buf[16] = {};
    // 0x80000001 * 2 wraps around to 2 in 32 bits
    EXPECT_EQ(file_read(buf, 0x80000001u, 2, f), 0u);
    EXPECT_EQ(buf[0], 0);
    EXPECT_EQ(file_write("ab", 0x80000001u, 2, f), 0u);
    EXPECT_EQ(file_close(f), 0);
    EXPECT_EQ(file_size_of("E.BIN"), 10);
    f = file_open("E.BIN", "rb");
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(file_read(buf, 1, 10, f), 10u);
    EXPECT_EQ(std::memcmp(buf, "0123456789", 10), 0);
    EXPECT_EQ(file_close(f), 0);
}

TEST(FileLayer, OpenFileIsNotShared)
{
    TempDir dir;
    write_file("S.BIN", "shared?");
    FileHandle f = file_open("S.BIN", "rb");
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(file_open("S.BIN", "rb"), nullptr);
    EXPECT_EQ(file_open("S.BIN", "wb"), nullptr);
    EXPECT_EQ(file_size_of("S.BIN"), 7);  // the refused "wb" truncated nothing
    EXPECT_EQ(file_close(f), 0);
    f = file_open("S.BIN", "rb");
    EXPECT_NE(f, nullptr);
    EXPECT_EQ(file_close(f), 0);
}

TEST(FileLayer, SeekOriginsAndTell)
{
    TempDir dir;
    write_file("P.BIN", "0123456789");
    FileHandle f = file_open("P.BIN", "rb");
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(file_tell(f), 0);
    EXPECT_EQ(file_seek(f, 3, 0), 0);
    EXPECT_EQ(file_tell(f), 3);
    EXPECT_EQ(file_seek(f, 2, 1), 0);
    EXPECT_EQ(file_tell(f), 5);
    EXPECT_EQ(file_seek(f, -4, 2), 0);
    EXPECT_EQ(file_tell(f), 6);
    char c = 0;
    EXPECT_EQ(file_read(&c, 1, 1, f), 1u);
    EXPECT_EQ(c, '6');
    EXPECT_EQ(file_seek(f, -100, 0), 0);  // the move fails, the result does not say so
    EXPECT_EQ(file_tell(f), 7);
    EXPECT_EQ(file_close(f), 0);
}

TEST(FileLayer, NullHandleResults)
{
    char buf[4] = {};
    EXPECT_EQ(file_read(buf, 1, 4, nullptr), 0u);
    EXPECT_EQ(file_write(buf, 1, 4, nullptr), 0u);
    EXPECT_EQ(file_seek(nullptr, 0, 0), 1);
    EXPECT_EQ(file_tell(nullptr), -1);
    EXPECT_EQ(file_close(nullptr), -1);
}

TEST(Memory, BlocksComeZeroFilled)
{
    for (uint32_t size : {1u, 100u, 70000u}) {
        uint8_t *p = (uint8_t *)sys_alloc(size);
        ASSERT_NE(p, nullptr);
        for (uint32_t i = 0; i < size; i++)
            ASSERT_EQ(p[i], 0) << "size " << size << " at " << i;
        p[size - 1] = 1;
        sys_free(p);
    }
}

}  // namespace
