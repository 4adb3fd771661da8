// The encoder's streams decode to their input with the runner's own decoder,
// and no stream of the format is shorter (checked against a search over
// every possible token at every step on small inputs).
#include "host/lzss_encode.h"

#include "archive/lzss.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <string>

namespace {

using Bytes = std::vector<uint8_t>;

Bytes decode(const Bytes &stream, size_t size)
{
    Bytes out(size, 0xA5);
    lzss_unpack(stream.data(), out.data(), uint32_t(stream.size()), uint32_t(size));
    return out;
}

void expect_round_trip(const Bytes &input, const std::string &what)
{
    const Bytes stream = host::lzss_encode(input);
    ASSERT_EQ(decode(stream, input.size()), input) << what << " (" << input.size() << " bytes)";
    // the same bytes over a differently filled buffer: nothing left unwritten
    Bytes other(input.size(), 0x5A);
    lzss_unpack(stream.data(), other.data(), uint32_t(stream.size()), uint32_t(other.size()));
    ASSERT_EQ(other, input) << what;
}

Bytes from(const std::string &s) { return Bytes(s.begin(), s.end()); }

// The fewest stream bytes for `input`, found by trying every token the format
// has (each literal, each of the 4096 window positions with each length 3..18)
// at every step, simulating the decoder's ring itself. The decoder's state
// after producing i correct bytes is fully given by those bytes, and the flag
// cost by the tokens so far modulo 8, so the search runs over those states.
size_t shortest_stream(const Bytes &input)
{
    const size_t n = input.size();
    const uint32_t inf = 1u << 30;
    std::vector<uint32_t> best((n + 1) * 8, inf);
    best[0] = 0;
    std::vector<uint8_t> ring(4096);
    for (size_t i = 0; i < n; i++) {
        std::fill(ring.begin(), ring.end(), 0x20);
        for (size_t t = 0; t < i; t++)
            ring[(4080 + t) & 4095] = input[t];
        const unsigned r = unsigned(4080 + i) & 4095;
        for (int m = 0; m < 8; m++) {
            const uint32_t here = best[i * 8 + size_t(m)];
            if (here == inf)
                continue;
            const uint32_t flag = m == 0 ? 1 : 0;
            const size_t next = size_t((m + 1) & 7);
            for (int lit = 0; lit < 256; lit++)
                if (uint8_t(lit) == input[i])
                    best[(i + 1) * 8 + next] = std::min(best[(i + 1) * 8 + next], here + flag + 1);
            for (unsigned p = 0; p < 4096; p++) {
                uint8_t written[18];
                size_t good = 0;  // leading bytes of the copy that equal the input
                for (unsigned k = 0; k < 18; k++) {
                    const unsigned q = (p + k) & 4095;
                    uint8_t v = ring[q];
                    for (unsigned j = 0; j < k; j++)
                        if (((r + j) & 4095) == q)
                            v = written[j];
                    written[k] = v;
                    if (i + k < n && v != input[i + k])
                        break;
                    good = k + 1;
                }
                for (size_t len = 3; len <= 18; len++) {
                    const size_t produced = std::min(len, n - i);
                    if (good < produced)
                        break;
                    const size_t to = i + produced;
                    best[to * 8 + next] = std::min(best[to * 8 + next], here + flag + 2);
                }
            }
        }
    }
    return *std::min_element(best.begin() + long(n * 8), best.end());
}

TEST(LzssEncode, EmptyInputGivesEmptyStream) { EXPECT_TRUE(host::lzss_encode({}).empty()); }

TEST(LzssEncode, KnownStreams)
{
    // two literals then a copy of them from window position 4080
    EXPECT_EQ(host::lzss_encode(from("ABABAB")), (Bytes{0x03, 'A', 'B', 0xF0, 0xF1}));
    // spaces come from the preset window
    EXPECT_EQ(host::lzss_encode(from("   ")).size(), 3u);
    // one byte repeated: a literal and an overlapping copy
    EXPECT_EQ(host::lzss_encode(Bytes(6, 'A')).size(), 4u);
}

TEST(LzssEncode, RoundTripsStructuredData)
{
    expect_round_trip(from(" "), "one space");
    expect_round_trip(from("x"), "one byte");
    expect_round_trip(Bytes(65535, 0xFF), "white picture");
    expect_round_trip(Bytes(65535, 0x20), "spaces");
    expect_round_trip(Bytes(5000, 0x00), "zeros");
    for (size_t n : {4094, 4095, 4096, 4097, 4110, 8192, 8200}) {
        Bytes b(n);
        for (size_t i = 0; i < n; i++)
            b[i] = uint8_t((i * 7) % 251);
        expect_round_trip(b, "period 251 across the window size");
        for (size_t i = 0; i < n; i++)
            b[i] = uint8_t(i % 4096 < 20 ? 'a' + i % 3 : ' ');
        expect_round_trip(b, "runs that meet themselves 4096 bytes back");
    }
    std::string text;
    for (int k = 0; k < 300; k++)
        text += "Item " + std::to_string(k) + ": pick the piece that completes the picture.\n";
    expect_round_trip(from(text), "text");
    // a picture-like block: white rows with a few black strokes
    Bytes pic(62 + 44 * 190, 0xFF);
    for (size_t y = 0; y < 190; y++)
        for (size_t x = 0; x < 44; x++)
            if ((x * 3 + y) % 17 == 0 || y % 70 < 2)
                pic[62 + y * 44 + x] = uint8_t(0x0F << (y % 5));
    expect_round_trip(pic, "picture");
}

TEST(LzssEncode, RoundTripsRandomData)
{
    std::mt19937 rng(12345);
    for (int round = 0; round < 400; round++) {
        const size_t n = rng() % (round < 300 ? 300 : 20000);
        const unsigned alphabet = 1 + rng() % (round % 3 == 0 ? 256 : 4);
        Bytes b(n);
        for (auto &x : b)
            x = uint8_t(round % 5 == 0 ? 0x20 + rng() % alphabet : rng() % alphabet);
        expect_round_trip(b, "random round " + std::to_string(round));
    }
}

TEST(LzssEncode, NoShorterStreamExists)
{
    std::mt19937 rng(777);
    const std::vector<std::string> alphabets = {" a", "ab", "ab ", "abc ", " ", "a", "\xff\x00"};
    int tried = 0;
    for (const std::string &abc : alphabets)
        for (int k = 0; k < 40; k++) {
            const size_t n = 1 + rng() % 14;
            Bytes b(n);
            for (auto &x : b)
                x = uint8_t(abc[rng() % abc.size()]);
            const Bytes stream = host::lzss_encode(b);
            ASSERT_EQ(decode(stream, n), b);
            ASSERT_EQ(stream.size(), shortest_stream(b)) << "input of " << n << " bytes, alphabet " << k;
            tried++;
        }
    EXPECT_EQ(tried, 280);
}

TEST(LzssEncode, LongestMatchesAgreeWithABruteForceSearch)
{
    std::mt19937 rng(99);
    for (int round = 0; round < 6; round++) {
        const size_t n = 4000 + rng() % 6000;
        Bytes b(n);
        for (auto &x : b)
            x = uint8_t(round % 2 ? " ab"[rng() % 3] : "\xff\xff\xff\x0f"[rng() % 4]);
        const std::vector<host::LongestMatch> got = host::lzss_longest_matches(b);
        Bytes s(4096 + n, ' ');
        std::copy(b.begin(), b.end(), s.begin() + 4096);
        for (size_t i = round % 7; i < n; i += 13) {
            const size_t t = i + 4096, rem = n - i;
            const size_t cap = std::min<size_t>(18, rem);
            size_t longest = 0;
            for (size_t d = 1; d <= 4096; d++) {
                size_t l = 0;
                while (l < cap && s[t - d + l] == s[t + l])
                    l++;
                longest = std::max(longest, l);
            }
            const size_t expect = rem < 3 ? (longest == rem ? rem : 0) : (longest >= 3 ? longest : 0);
            ASSERT_EQ(got[i].length, expect) << "position " << i << " of " << n;
            if (expect) {
                const size_t d = got[i].distance;
                ASSERT_TRUE(d >= 1 && d <= 4096);
                ASSERT_EQ(std::memcmp(&s[t - d], &s[t], expect), 0) << "position " << i;
            }
        }
    }
}

}  // namespace

#include "tools/wdl/bench/greedy_lzss.h"

namespace {

TEST(LzssEncode, NeverLongerThanTheGreedyEncoder)
{
    std::mt19937 rng(4242);
    for (int round = 0; round < 60; round++) {
        const size_t n = 1 + rng() % 12000;
        Bytes b(n);
        const char *words[] = {"cell ", "picture ", "the ", "   ", "\xff\xff\xff\xff", "\x0f", "ab"};
        for (size_t i = 0; i < n;) {
            const char *w = words[rng() % 7];
            for (; *w && i < n; w++)
                b[i++] = uint8_t(*w);
        }
        const Bytes greedy = wdl_bench::greedy_encode(b);
        ASSERT_EQ(decode(greedy, n), b);
        ASSERT_LE(host::lzss_encode(b).size(), greedy.size()) << "round " << round;
    }
}

}  // namespace
