// A greedy encoder for the archive's LZSS format, to make packed streams
// for the benchmarks: window of 4096 spaces written from 4080, absolute
// 12-bit match positions, lengths 3..18, groups of a flag byte (bit 0
// first, set bit = literal) and up to eight tokens. It keeps the same
// window as the decoder, so a match may reach into the bytes it produces.
#pragma once

#include <cstdint>
#include <cstring>
#include <vector>

#include "archive/format.h"

namespace bench {

using Bytes = std::vector<uint8_t>;

inline Bytes lzss_pack(const Bytes &in)
{
    const unsigned last = lzss_window_size - 1;  // positions wrap with this mask
    uint8_t ring[lzss_window_size];
    std::memset(ring, lzss_window_fill, sizeof ring);
    unsigned r = lzss_window_start;
    Bytes out;
    size_t flag_at = 0;
    int tokens = 8;

    auto start_token = [&](bool literal) {
        if (tokens == 8) {
            flag_at = out.size();
            out.push_back(0);
            tokens = 0;
        }
        if (literal)
            out[flag_at] |= uint8_t(1u << tokens);
        tokens++;
    };

    for (size_t i = 0; i < in.size();) {
        size_t left = in.size() - i;
        unsigned best_len = 0, best_pos = 0;
        for (unsigned p = 0; p < lzss_window_size; p++) {
            if (ring[p] != in[i])
                continue;
            unsigned n = 0;
            while (n < lzss_max_match && n < left) {
                unsigned q = (p + n) & last, d = (q - r) & last;
                uint8_t b = d < n ? in[i + d] : ring[q];  // written by this match already
                if (b != in[i + n])
                    break;
                n++;
            }
            if (n > best_len) {
                best_len = n;
                best_pos = p;
                if (n == lzss_max_match)
                    break;
            }
        }
        if (best_len >= lzss_min_match) {
            start_token(false);
            out.push_back(uint8_t(best_pos));
            out.push_back(uint8_t((best_pos >> 4 & 0xF0) | (best_len - lzss_min_match)));
            for (unsigned k = 0; k < best_len; k++) {
                ring[r] = ring[(best_pos + k) & last];
                r = (r + 1) & last;
            }
            i += best_len;
        } else {
            start_token(true);
            out.push_back(in[i]);
            ring[r] = in[i];
            r = (r + 1) & last;
            i++;
        }
    }
    return out;
}

}  // namespace bench
