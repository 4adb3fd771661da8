// A greedy encoder for the archive's LZSS format, to make packed streams
// for the benchmarks: window of 4096 spaces written from 4080, absolute
// 12-bit match positions, lengths 3..18, groups of a flag byte (bit 0
// first, set bit = literal) and up to eight tokens. It keeps the same
// window as the decoder, so a match may reach into the bytes it produces.
#pragma once

#include <cstdint>
#include <cstring>
#include <vector>

namespace bench {

using Bytes = std::vector<uint8_t>;

inline Bytes lzss_pack(const Bytes &in)
{
    uint8_t ring[4096];
    std::memset(ring, ' ', sizeof ring);
    unsigned r = 4080;
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
        for (unsigned p = 0; p < 4096; p++) {
            if (ring[p] != in[i])
                continue;
            unsigned n = 0;
            while (n < 18 && n < left) {
                unsigned q = (p + n) & 4095, d = (q - r) & 4095;
                uint8_t b = d < n ? in[i + d] : ring[q];  // written by this match already
                if (b != in[i + n])
                    break;
                n++;
            }
            if (n > best_len) {
                best_len = n;
                best_pos = p;
                if (n == 18)
                    break;
            }
        }
        if (best_len >= 3) {
            start_token(false);
            out.push_back(uint8_t(best_pos));
            out.push_back(uint8_t((best_pos >> 4 & 0xF0) | (best_len - 3)));
            for (unsigned k = 0; k < best_len; k++) {
                ring[r] = ring[(best_pos + k) & 4095];
                r = (r + 1) & 4095;
            }
            i += best_len;
        } else {
            start_token(true);
            out.push_back(in[i]);
            ring[r] = in[i];
            r = (r + 1) & 4095;
            i++;
        }
    }
    return out;
}

}  // namespace bench
