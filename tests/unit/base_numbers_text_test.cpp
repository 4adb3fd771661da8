// The base helpers the session journal writes with: CRC-32, CP866 to
// UTF-8, hexadecimal and decimal numbers.
#include <gtest/gtest.h>
#include <iconv.h>

#include <string>

#include "base/cp866.h"
#include "base/crc32.h"
#include "base/decimal.h"

namespace {

TEST(Crc32, MatchesTheIeeeCheckValueWholeAndInPieces)
{
    const char text[] = "123456789";
    EXPECT_EQ(crc32_update(0, text, 9), 0xCBF43926u);
    EXPECT_EQ(crc32_update(crc32_update(0, text, 4), text + 4, 5), 0xCBF43926u);
    EXPECT_EQ(crc32_update(0, text, 0), 0u);
    const unsigned char zeros[32] = {};
    EXPECT_EQ(crc32_update(0, zeros, 32), 0x190A55ADu);
}

// The PC graphic symbols that CP866 bytes 0x01..0x1F and 0x7F show (0x0A
// stays the line break): the C library's CP866 leaves them control codes.
const char *const pc_symbols[] = {"☺", "☻", "♥", "♦", "♣", "♠", "•", "◘", "○", "\n", "♂", "♀", "♪", "♫", "☼", "►",
                                  "◄", "↕", "‼", "¶", "§", "▬", "↨", "↑", "↓", "→", "←", "∟", "↔", "▲", "▼"};

// Every CP866 byte against the C library's own CP866 table, but for the
// graphic symbols.
TEST(Cp866, EveryByteBecomesTheUtf8OfItsCharacter)
{
    iconv_t convert = iconv_open("UTF-8", "CP866");
    ASSERT_NE(convert, (iconv_t)-1);
    for (int c = 1; c < 256; c++) {
        char in = char(c), expected[8] = {}, *from = &in, *to = expected;
        size_t in_left = 1, out_left = sizeof expected;
        ASSERT_NE(iconv(convert, &from, &in_left, &to, &out_left), (size_t)-1) << c;
        std::string want(expected, sizeof expected - out_left);
        if (c < 0x20)
            want = pc_symbols[c - 1];
        else if (c == 0x7F)
            want = "⌂";
        char got[4] = {};
        size_t length = size_t(cp866_to_utf8(got, uint8_t(c)) - got);
        EXPECT_EQ(std::string(got, length), want) << "byte " << c;
        EXPECT_EQ(length, want.size()) << "byte " << c;
    }
    iconv_close(convert);
    char zero[4];
    EXPECT_EQ(cp866_to_utf8(zero, 0) - zero, 1);
}

TEST(Numbers, HexadecimalAndDecimalTexts)
{
    char out[16] = {};
    *format_hex(out, 0x3AB0C4D1u, 8) = 0;
    EXPECT_STREQ(out, "3ab0c4d1");
    *format_hex(out, 0x5u, 2) = 0;
    EXPECT_STREQ(out, "05");
    EXPECT_EQ(parse_uint("0"), 0u);
    EXPECT_EQ(parse_uint("4294967294"), 4294967294u);
    EXPECT_EQ(parse_uint("4294967295"), 0xFFFFFFFFu);  // the "no number" value itself
    EXPECT_EQ(parse_uint("99999999999"), 0xFFFFFFFFu);
    EXPECT_EQ(parse_uint(""), 0xFFFFFFFFu);
    EXPECT_EQ(parse_uint("12a"), 0xFFFFFFFFu);
    EXPECT_EQ(parse_uint("-1"), 0xFFFFFFFFu);
}

}  // namespace
