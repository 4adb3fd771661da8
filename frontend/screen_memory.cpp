/* Screen bytes in ordinary memory, at screen_bits. */
#include "frontend/screen_memory.h"
#include "graphics/gfx.h"
#include "graphics/screen_access.h"

uint8_t *screen_bits;

void screen_memory_open(uint8_t *buffer)
{
    screen_bits = buffer;
    video_is_open = 1;
    gfx_clear();
}

void screen_memory_close(void)
{
    video_is_open = 0;
    screen_bits = 0;
}

uint8_t screen_get(uint32_t offset) { return screen_bits[offset]; }

void screen_put(uint32_t offset, uint8_t value) { screen_bits[offset] = value; }

void screen_fill(uint8_t value)
{
    for (uint32_t i = 0; i < screen_size; i++)
        screen_bits[i] = value;
}

void screen_write(uint32_t offset, const uint8_t *src, uint32_t count)
{
    for (uint32_t i = 0; i < count; i++)
        screen_bits[offset + i] = src[i];
}

void screen_read(uint32_t offset, uint8_t *dst, uint32_t count)
{
    for (uint32_t i = 0; i < count; i++)
        dst[i] = screen_bits[offset + i];
}
