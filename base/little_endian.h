/*
** Little-endian fields: every count, size and offset in the archive and the
** width and height of its pictures.
*/
#ifndef MERIDOKA_LITTLE_ENDIAN_H
#define MERIDOKA_LITTLE_ENDIAN_H

#include <stdint.h>

static inline uint32_t get_u16(const uint8_t *p) { return (uint32_t)p[0] | ((uint32_t)p[1] << 8); }

static inline uint32_t get_u32(const uint8_t *p) { return get_u16(p) | (get_u16(p + 2) << 16); }

#endif
