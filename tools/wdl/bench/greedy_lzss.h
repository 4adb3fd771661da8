// A textbook greedy LZSS encoder for the same format, for comparison only:
// at each position the longest match in the window (hash chains over every
// earlier position, nearest first), taken whenever it has 3 or more bytes.
#pragma once

#include <cstdint>
#include <vector>

namespace wdl_bench {

std::vector<uint8_t> greedy_encode(const std::vector<uint8_t> &input);

}  // namespace wdl_bench
