/*
** The only way the drawing code touches screen bytes. Offsets are byte
** offsets into the 38,400-byte buffer and are always in range: the callers
** clip, and call these only while video_is_open. Each front end links one
** implementation: frontend/screen_memory.cpp for a buffer in ordinary
** memory, dos/screen_dos.cpp for the VGA frame buffer.
*/
#ifndef MERIDOKA_SCREEN_ACCESS_H
#define MERIDOKA_SCREEN_ACCESS_H

#include <stdint.h>

uint8_t screen_get(uint32_t offset);
void screen_put(uint32_t offset, uint8_t value);
void screen_fill(uint8_t value);
void screen_write(uint32_t offset, const uint8_t *src, uint32_t count);
void screen_read(uint32_t offset, uint8_t *dst, uint32_t count);

/* graphics/primitives.cpp, on the calls above: the bits of mask in one
** screen byte take the ink's colour */
void screen_ink(uint32_t offset, uint8_t mask);

#endif
