// The POSIX file layer: mode letters, byte counts, null handles, sharing.
#include "platform/platform.h"
#include "support.h"

using namespace support;

namespace {

class FileAccess : public ScratchDir {};

TEST_F(FileAccess, ReadCountsBytesNotElements)
{
    write_file("data", Bytes(100, 7));
    FileHandle f = file_open("data", "rb");
    ASSERT_NE(f, nullptr);
    uint8_t buf[64];
    EXPECT_EQ(file_read(buf, 16, 3, f), 48u);
    EXPECT_EQ(file_tell(f), 48);
    EXPECT_EQ(file_read(buf, 16, 4, f), 52u);  // short read at the end
    EXPECT_EQ(file_read(buf, 1, 1, f), 0u);
    EXPECT_EQ(file_seek(f, 10, 0), 0);
    EXPECT_EQ(file_tell(f), 10);
    EXPECT_EQ(file_seek(f, 5, 1), 0);
    EXPECT_EQ(file_tell(f), 15);
    EXPECT_EQ(file_seek(f, -1, 2), 0);
    EXPECT_EQ(file_tell(f), 99);
    EXPECT_EQ(file_close(f), 0);
}

TEST_F(FileAccess, MissingFilesAndCreation)
{
    EXPECT_EQ(file_open("missing", "rb"), nullptr);
    EXPECT_EQ(file_open("missing", "b"), nullptr);
    FileHandle f = file_open("new", "wb");
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(file_write("abc", 1, 3, f), 3u);
    EXPECT_EQ(file_close(f), 0);
    EXPECT_EQ(read_file("new"), text_bytes("abc"));
}

TEST_F(FileAccess, WriteModeTruncates)
{
    write_file("old", Bytes(50, 1));
    FileHandle f = file_open("old", "wb");
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(file_write("xy", 2, 1, f), 2u);
    file_close(f);
    EXPECT_EQ(read_file("old"), text_bytes("xy"));

    // '+' adds write access without truncating
    f = file_open("old", "r+");
    ASSERT_NE(f, nullptr);
    file_seek(f, 1, 0);
    file_write("Z", 1, 1, f);
    file_close(f);
    EXPECT_EQ(read_file("old"), text_bytes("xZ"));
}

TEST_F(FileAccess, ReadOnlyHandleCannotWrite)
{
    write_file("ro", Bytes(4, 1));
    FileHandle f = file_open("ro", "rb");
    EXPECT_EQ(file_write("x", 1, 1, f), 0u);
    file_close(f);
}

TEST_F(FileAccess, NullHandleResults)
{
    uint8_t b[4];
    EXPECT_EQ(file_read(b, 1, 4, nullptr), 0u);
    EXPECT_EQ(file_write(b, 1, 4, nullptr), 0u);
    EXPECT_EQ(file_seek(nullptr, 0, 0), 1);
    EXPECT_EQ(file_tell(nullptr), -1);
    EXPECT_EQ(file_close(nullptr), -1);
}

TEST_F(FileAccess, RequestsPastTwoGigabytesTransferNothing)
{
    write_file("data", Bytes(10, 7));
    FileHandle f = file_open("data", "r+");
    ASSERT_NE(f, nullptr);
    uint8_t b[16] = {};
    EXPECT_EQ(file_read(b, 0x80000001u, 2, f), 0u);  // 0x80000001 * 2 wraps around to 2
    EXPECT_EQ(file_write(b, 0x80000001u, 2, f), 0u);
    EXPECT_EQ(file_tell(f), 0);
    EXPECT_EQ(file_close(f), 0);
}

TEST_F(FileAccess, OpenFilesAreNotShared)
{
    write_file("shared", Bytes(4, 1));
    FileHandle a = file_open("shared", "rb");
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(file_open("shared", "rb"), nullptr);
    EXPECT_EQ(file_open("shared", "wb"), nullptr);
    EXPECT_EQ(read_file("shared").size(), 4u);  // the refused "wb" truncated nothing
    file_close(a);
    FileHandle b = file_open("shared", "rb");
    EXPECT_NE(b, nullptr);
    file_close(b);
}

}  // namespace
