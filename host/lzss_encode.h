// Optimal LZSS encoder for the archive's packed entries (the stream that
// archive/lzss.h decodes): the shortest stream this format can express for
// the given bytes.
#pragma once

#include <cstdint>
#include <vector>

namespace host {

// Packs `input` into a stream that lzss_unpack(stream, out, size, input.size())
// turns back into exactly `input`. No stream of this format is shorter.
std::vector<uint8_t> lzss_encode(const std::vector<uint8_t> &input);

// For each input position, the longest run (capped at 18 and at the end of
// the input) that some window position reproduces, and one window distance
// (1..4096 bytes back, counting the preset spaces) that gives it; 0 when no
// match of 3 or more exists. Exposed for tests.
struct LongestMatch {
    uint8_t length = 0;
    uint16_t distance = 0;
};
std::vector<LongestMatch> lzss_longest_matches(const std::vector<uint8_t> &input);

}  // namespace host
