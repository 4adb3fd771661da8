/*
** LZSS decoder for packed archive entries (the stream and its window:
** archive/format.h).
*/
#ifndef MERIDOKA_LZSS_H
#define MERIDOKA_LZSS_H

#include <stdint.h>

#include "archive/format.h"

/* Decodes src into dst; stops when the input is used up or dst_len bytes
** were written. Bytes of dst that the stream does not produce are left as
** they were. Never reads or writes outside src, dst and its own window.
** Returns how many bytes of dst it wrote. */
uint32_t lzss_unpack(const uint8_t *src, uint8_t *dst, uint32_t src_len, uint32_t dst_len);

#endif
