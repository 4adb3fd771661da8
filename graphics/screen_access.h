/*
** The only way the drawing code touches screen bytes. Offsets are byte
** offsets into the 38,400-byte buffer and are always in range: the callers
** clip. The default implementation (screen_memory.cpp) works on screen_bits;
** a platform whose frame buffer is not ordinary memory links its own.
*/
#ifndef MERIDOKA_SCREEN_ACCESS_H
#define MERIDOKA_SCREEN_ACCESS_H

#include <stdint.h>

uint8_t screen_get(uint32_t offset);
void screen_put(uint32_t offset, uint8_t value);
void screen_fill(uint8_t value);
void screen_write(uint32_t offset, const uint8_t *src, uint32_t count);
void screen_read(uint32_t offset, uint8_t *dst, uint32_t count);

#endif
