/* CRC-32 without a table of 256 words: the archive's checksum in the
** session journal. */
#ifndef MERIDOKA_CRC32_H
#define MERIDOKA_CRC32_H

#include <stdint.h>

/* CRC-32 of IEEE 802.3 as zlib's crc32 computes it: start with 0 and feed
** the bytes in pieces, each call continuing from the value before. */
uint32_t crc32_update(uint32_t crc, const void *data, uint32_t length);

#endif
