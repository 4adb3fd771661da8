/*
** The screen in ordinary memory, for the front ends that keep it there
** (all but DOS, whose screen is video memory): screen_bits points to the
** 38,400-byte buffer while the display is open, and screen_memory.cpp
** implements the drawing code's screen access (graphics/screen_access.h)
** on it.
*/
#ifndef MERIDOKA_SCREEN_MEMORY_H
#define MERIDOKA_SCREEN_MEMORY_H

#include <stdint.h>

extern uint8_t *screen_bits;

/* The display opens on this 38,400-byte buffer (video_is_open, cleared
** with the current draw colour), or closes again. */
void screen_memory_open(uint8_t *buffer);
void screen_memory_close(void);

#endif
