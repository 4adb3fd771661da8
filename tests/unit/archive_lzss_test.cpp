// LZSS decoder: the worked streams, capacity and input limits, window start.
#include "archive/lzss.h"
#include "base/memory.h"
#include "support.h"

using support::Bytes;

namespace {

// Decodes into a buffer of `capacity` bytes preset to 0xEE.
Bytes unpack(const Bytes &stream, size_t capacity)
{
    Bytes out(capacity, 0xEE);
    lzss_unpack(stream.data(), out.data(), uint32_t(stream.size()), uint32_t(capacity));
    return out;
}

TEST(Lzss, OverlappingMatchRepeatsWhatItProduces)
{
    Bytes s = {0x03, 0x41, 0x42, 0xF0, 0xF1};
    EXPECT_EQ(unpack(s, 6), (Bytes{0x41, 0x42, 0x41, 0x42, 0x41, 0x42}));
    EXPECT_EQ(unpack(s, 4), (Bytes{0x41, 0x42, 0x41, 0x42}));
    EXPECT_EQ(unpack(s, 8), (Bytes{0x41, 0x42, 0x41, 0x42, 0x41, 0x42, 0xEE, 0xEE}));
    EXPECT_EQ(unpack({0x01, 0x41, 0xF0, 0xF2}, 6), Bytes(6, 0x41));
}

TEST(Lzss, WindowStartsWithSpaces)
{
    EXPECT_EQ(unpack({0x00, 0x00, 0x00}, 3), Bytes(3, 0x20));
    // the longest match from the far end of the window
    EXPECT_EQ(unpack({0x00, 0xFF, 0xFF}, 18), Bytes(18, 0x20));
}

TEST(Lzss, WritePositionStartsAt4080)
{
    // literal 'A' lands at 4080: a match there of length 3 repeats it
    EXPECT_EQ(unpack({0x01, 'A', 0xF0, 0xF0}, 4), Bytes(4, 'A'));
    // position 4078 still holds a space (the common variant would hold 'A')
    EXPECT_EQ(unpack({0x01, 'A', 0xEE, 0xF0}, 4), (Bytes{'A', ' ', ' ', 'A'}));
}

TEST(Lzss, StreamEndsAndLimits)
{
    // a match cut off after its first byte produces nothing
    EXPECT_EQ(unpack({0x03, 0x41, 0x42, 0xF0}, 5), (Bytes{0x41, 0x42, 0xEE, 0xEE, 0xEE}));
    EXPECT_EQ(unpack({}, 3), Bytes(3, 0xEE));
    EXPECT_EQ(unpack({0xFF, 1, 2, 3}, 0), Bytes{});
    // unused flag bits of the last group are ignored
    EXPECT_EQ(unpack({0xFF, 1, 2, 3}, 5), (Bytes{1, 2, 3, 0xEE, 0xEE}));
    // a second group
    EXPECT_EQ(unpack({0xFF, 1, 2, 3, 4, 5, 6, 7, 8, 0x01, 9}, 9), (Bytes{1, 2, 3, 4, 5, 6, 7, 8, 9}));
}

TEST(Lzss, WindowWrapsAround)
{
    // 20 literals run the write position past 4095; a match at 4094 spans the wrap
    Bytes s;
    Bytes expect;
    for (int g = 0; g < 3; g++) {
        s.push_back(0xFF);
        for (int i = 0; i < 8; i++) {
            uint8_t c = uint8_t('a' + g * 8 + i);
            s.push_back(c);
            expect.push_back(c);
        }
    }
    s.push_back(0x00);
    s.push_back(0xFE);  // position 0xFFE = 4094, length 3
    s.push_back(0xF0);
    // bytes at 4094, 4095, 0 are the 15th, 16th and 17th literals
    expect.push_back(expect[14]);
    expect.push_back(expect[15]);
    expect.push_back(expect[16]);
    EXPECT_EQ(unpack(s, expect.size()), expect);
}

TEST(MemHelpers, FillAndMoveOverlapping)
{
    uint8_t b[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    EXPECT_EQ(mem_move(b + 2, b, 5), b + 2);  // destination inside the source
    EXPECT_EQ(Bytes(b, b + 8), (Bytes{1, 2, 1, 2, 3, 4, 5, 8}));
    uint8_t c[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    mem_move(c, c + 2, 5);
    EXPECT_EQ(Bytes(c, c + 8), (Bytes{3, 4, 5, 6, 7, 6, 7, 8}));
    EXPECT_EQ(mem_fill(c, 0x1234, 3), c);
    EXPECT_EQ(Bytes(c, c + 4), (Bytes{0x34, 0x34, 0x34, 6}));
    mem_fill(c, 0, 0);
    EXPECT_EQ(c[0], 0x34);
}

}  // namespace

TEST(Lzss, ReturnsHowManyBytesItWrote)
{
    Bytes out(8, 0);
    const Bytes s = {0x03, 0x41, 0x42, 0xF0, 0xF1};
    EXPECT_EQ(lzss_unpack(s.data(), out.data(), 5, 8), 6u);  // the stream ends first
    EXPECT_EQ(lzss_unpack(s.data(), out.data(), 5, 4), 4u);  // the capacity ends first
    EXPECT_EQ(lzss_unpack(s.data(), out.data(), 0, 8), 0u);
    const Bytes zeros = {0x00, 0x00};  // a match cut short yields nothing
    EXPECT_EQ(lzss_unpack(zeros.data(), out.data(), 2, 8), 0u);
}
