#include "archive/lzss.h"
#include "base/memory.h"

uint32_t lzss_unpack(const uint8_t *src, uint8_t *dst, uint32_t src_len, uint32_t dst_len)
{
    uint8_t ring[lzss_window_size];
    uint32_t r = lzss_window_start;
    uint32_t in = 0, out = 0;

    mem_fill(ring, lzss_window_fill, sizeof ring);
    while (in < src_len && out < dst_len) {
        uint8_t flags = src[in++];
        for (int bit = 0; bit < 8; bit++) {
            /* a literal is a copy of one byte from the input */
            int literal = flags & (1u << bit);
            uint32_t p = 0, n = 1;
            if (in + (literal ? 1 : 2) > src_len)
                return out;
            if (!literal) {
                uint32_t b1 = src[in], b2 = src[in + 1];
                in += 2;
                p = b1 | ((b2 & 0xF0u) << 4);
                n = (b2 & 0x0Fu) + lzss_min_match;
            }
            while (n--) {
                uint8_t c = literal ? src[in++] : ring[p];
                ring[r] = c;
                if (out < dst_len)
                    dst[out++] = c;
                p = (p + 1) & (lzss_window_size - 1);
                r = (r + 1) & (lzss_window_size - 1);
            }
        }
    }
    return out;
}
