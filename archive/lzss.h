/*
** LZSS decoder for packed archive entries.
**
** The stream is groups of one flag byte and up to eight tokens, taken from
** flag bit 0 upwards: a set bit is a literal byte, a clear bit a two-byte
** match (12-bit absolute window position, length 3..18). The 4096-byte window
** starts filled with spaces and is written from position 4080.
*/
#ifndef MERIDOKA_LZSS_H
#define MERIDOKA_LZSS_H

#include <stdint.h>

enum {
    lzss_window_size = 4096,
    lzss_window_start = 4080,
    lzss_window_fill = 0x20,
    lzss_min_match = 3,
    lzss_max_match = 18
};

/* Decodes src into dst; stops when the input is used up or dst_len bytes
** were written. Bytes of dst that the stream does not produce are left as
** they were. Never reads or writes outside src, dst and its own window. */
void lzss_unpack(const uint8_t *src, uint8_t *dst, uint32_t src_len, uint32_t dst_len);

#endif
