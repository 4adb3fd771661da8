// Optimal parsing for the archive's LZSS format.
//
// Model: the decoder's window starts as 4096 spaces and byte t of the output
// is written at window position (4080 + t) mod 4096, so a match token that
// names window position p at output position t copies from a fixed distance
// D = (4080 + t - p) mod 4096 back (D = 0 reads the byte about to be
// overwritten, i.e. distance 4096). Byte t of such a copy is therefore byte
// t - D of the string S = 4096 spaces + input, overlapping copies included.
// So the candidate matches at t are exactly the runs S[t-D..] == S[t..] for
// D in 1..4096, and every shorter run of one such match is a match as well.
//
// Cost: a literal is 1 byte, a match 2 bytes, and every 8 tokens share one
// flag byte. The dynamic programme runs over (position, tokens so far mod 8)
// and so counts the flag bytes exactly. At the last two positions a match
// token may run past the end: the decoder stops at the output size.
#include "host/lzss_encode.h"

#include "archive/format.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <utility>

namespace host {

namespace {

constexpr int window = lzss_window_size;
constexpr int start_pos = lzss_window_start;
constexpr int min_match = lzss_min_match;
constexpr int max_match = lzss_max_match;

// Open-addressing table from a string's hash to the latest start position
// inserted with that hash. Kept between calls and emptied by bumping a
// generation number, so packing many small resources stays cheap.
class LatestTable {
public:
    void reset(size_t entries)
    {
        size_t cap = 1024;
        while (cap < entries * 2)
            cap <<= 1;
        if (cap > slots_.size()) {
            slots_.assign(cap, Slot{});
            generation_ = 0;
        }
        mask_ = slots_.size() - 1;
        if (++generation_ == 0) {  // wrapped: clear for real
            std::fill(slots_.begin(), slots_.end(), Slot{});
            generation_ = 1;
        }
    }
    void put(uint64_t key, int32_t pos)
    {
        Slot &s = slots_[slot(key)];
        s = {key, pos, generation_};
    }
    int32_t get(uint64_t key) const
    {
        const Slot &s = slots_[slot(key)];
        return s.generation == generation_ ? s.pos : -1;
    }

private:
    struct Slot {
        uint64_t key = 0;
        int32_t pos = -1;
        uint32_t generation = 0;
    };
    size_t slot(uint64_t key) const
    {
        size_t i = size_t(key >> 24) & mask_;
        while (slots_[i].generation == generation_ && slots_[i].key != key)
            i = (i + 1) & mask_;
        return i;
    }
    std::vector<Slot> slots_;
    size_t mask_ = 0;
    uint32_t generation_ = 0;
};

struct Hashes {
    std::vector<uint64_t> prefix;
    uint64_t power[max_match + 1];
    // `prefix` is the caller's, reused from one encoding to the next
    Hashes(const std::vector<uint8_t> &s, std::vector<uint64_t> &kept) : prefix(std::move(kept))
    {
        const uint64_t base = 0x9E3779B97F4A7C15ull;
        prefix.resize(s.size() + 1);  // every entry written below
        prefix[0] = 0;
        for (size_t i = 0; i < s.size(); i++)
            prefix[i + 1] = prefix[i] * base + s[i] + 1;
        power[0] = 1;
        for (int l = 1; l <= max_match; l++)
            power[l] = power[l - 1] * base;
    }
    uint64_t of(size_t start, int len) const { return prefix[start + size_t(len)] - prefix[start] * power[len]; }
};

// What one encoding needs besides its result, kept between calls: packing
// many resources (or a fuzzer's many inputs) allocates and zeroes none of
// it again.
struct Scratch {
    std::vector<uint8_t> s;
    std::vector<uint64_t> prefix;
    std::vector<uint32_t> cost;
    std::vector<uint8_t> choice;
};
thread_local Scratch scratch;

// Latest start s in [t - 4096, t - 1] with S[s..s+len) == S[t..t+len), or -1.
int scan_window(const std::vector<uint8_t> &s, size_t t, int len)
{
    for (size_t d = 1; d <= window && d <= t; d++)
        if (std::memcmp(&s[t - d], &s[t], size_t(len)) == 0)
            return int(t - d);
    return -1;
}

}  // namespace

std::vector<LongestMatch> lzss_longest_matches(const std::vector<uint8_t> &input)
{
    const size_t n = input.size();
    std::vector<LongestMatch> out(n);
    if (n == 0)
        return out;
    std::vector<uint8_t> &s = scratch.s;
    s.assign(window, ' ');
    s.insert(s.end(), input.begin(), input.end());
    const size_t total = s.size();
    Hashes hashes(s, scratch.prefix);

    // Only the latest copy of each string matters, so the long run of preset
    // spaces needs just its last max_match positions in the tables.
    const size_t first = window - max_match;
    // one table for all lengths: the key mixes the length into the hash
    thread_local LatestTable table;
    table.reset((total - first) * (max_match - min_match + 1));
    auto key = [&](size_t start, int len) { return hashes.of(start, len) ^ (uint64_t(len) * 0xD6E8FEB86659FD93ull); };

    int previous = 0;
    for (size_t t = first; t < total; t++) {
        if (t >= window) {
            const size_t i = t - window;
            const int rem = int(total - t);
            LongestMatch best;
            if (rem < min_match) {
                // the last bytes: a match token may run past the end
                int src = scan_window(s, t, rem);
                if (src >= 0)
                    best = {uint8_t(rem), uint16_t(t - size_t(src))};
            } else {
                const int cap = std::min(max_match, rem);
                // a match at t - 1 of length L leaves one of L - 1 at t
                int len = std::min(cap, std::max(min_match, previous - 1));
                for (; len <= cap; len++) {
                    int src = table.get(key(t, len));
                    if (src >= 0 && std::memcmp(&s[size_t(src)], &s[t], size_t(len)) != 0)
                        src = scan_window(s, t, len);  // hash collision: look properly
                    if (src < 0 || size_t(src) + window < t)
                        break;
                    best = {uint8_t(len), uint16_t(t - size_t(src))};
                }
            }
            out[i] = best;
            previous = best.length;
        }
        for (int l = min_match; l <= max_match && t + size_t(l) <= total; l++)
            table.put(key(t, l), int32_t(t));
    }
    scratch.prefix = std::move(hashes.prefix);
    return out;
}

std::vector<uint8_t> lzss_encode(const std::vector<uint8_t> &input)
{
    const size_t n = input.size();
    std::vector<uint8_t> stream;
    if (n == 0)
        return stream;
    const std::vector<LongestMatch> matches = lzss_longest_matches(input);

    // cost[i * 8 + m]: fewest bytes for input[i..] when m tokens of the
    // current flag group are already used (m == 0: the next token opens a
    // group and pays for its flag byte).
    std::vector<uint32_t> &cost = scratch.cost;
    std::vector<uint8_t> &choice = scratch.choice;  // 0 literal, else match length
    cost.resize((n + 1) * 8);                       // every entry written before it is read:
    std::fill(cost.begin() + long(n * 8), cost.end(), 0u);  // the end costs nothing
    choice.resize(n * 8);
    for (size_t i = n; i-- > 0;) {
        const LongestMatch &lm = matches[i];
        const size_t rem = n - i;
        for (int m = 0; m < 8; m++) {
            const uint32_t flag = m == 0 ? 1 : 0;
            const int next = (m + 1) & 7;
            uint32_t best = flag + 1 + cost[(i + 1) * 8 + size_t(next)];
            uint8_t pick = 0;
            if (rem < min_match) {
                if (lm.length == rem && flag + 2 + cost[n * 8 + size_t(next)] < best) {
                    best = flag + 2 + cost[n * 8 + size_t(next)];
                    pick = min_match;
                }
            } else {
                for (int len = min_match; len <= lm.length; len++) {
                    uint32_t c = flag + 2 + cost[(i + size_t(len)) * 8 + size_t(next)];
                    if (c <= best) {  // ties go to the longer match
                        best = c;
                        pick = uint8_t(len);
                    }
                }
            }
            cost[i * 8 + size_t(m)] = best;
            choice[i * 8 + size_t(m)] = pick;
        }
    }

    stream.reserve(cost[0]);
    size_t flag_at = 0;
    int m = 0;
    for (size_t i = 0; i < n;) {
        if (m == 0) {
            flag_at = stream.size();
            stream.push_back(0);
        }
        const uint8_t pick = choice[i * 8 + size_t(m)];
        if (pick == 0) {
            stream[flag_at] = uint8_t(stream[flag_at] | (1u << m));
            stream.push_back(input[i]);
            i++;
        } else {
            const unsigned pos = unsigned(start_pos + int(i % window) - int(matches[i].distance) + window) % window;
            stream.push_back(uint8_t(pos & 0xFF));
            stream.push_back(uint8_t(((pos >> 4) & 0xF0) | unsigned(pick - min_match)));
            i = std::min(n, i + pick);
        }
        m = (m + 1) & 7;
    }
    return stream;
}

}  // namespace host
