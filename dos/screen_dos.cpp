/*
** Screen bytes in the VGA frame buffer at A000h:0000h. The compiler never
** uses FS, so it is free for the frame-buffer segment; ES is borrowed only
** inside a string instruction and restored at once.
*/
#include "dos/far_memory.h"
#include "graphics/screen_access.h"
#include "graphics/gfx.h"

static const uint16_t vga_segment = 0xA000;

uint8_t screen_get(uint32_t offset) { return far_get(vga_segment, offset); }

void screen_put(uint32_t offset, uint8_t value) { far_put(vga_segment, offset, value); }

void screen_fill(uint8_t value)
{
    uint32_t dst = 0, count = screen_size / 4;
    uint32_t word = value * 0x01010101u;
    asm volatile("pushw %%es\n\t"
                 "movw %w3, %%es\n\t"
                 "rep stosl %%eax, %%es:(%%edi)\n\t"
                 "popw %%es"
                 : "+D"(dst), "+c"(count)
                 : "a"(word), "r"(vga_segment)
                 : "memory");
}

void screen_write(uint32_t offset, const uint8_t *src, uint32_t count)
{
    asm volatile("pushw %%es\n\t"
                 "movw %w3, %%es\n\t"
                 "rep movsb %%ds:(%%esi), %%es:(%%edi)\n\t"
                 "popw %%es"
                 : "+S"(src), "+D"(offset), "+c"(count)
                 : "r"(vga_segment)
                 : "memory");
}

void screen_read(uint32_t offset, uint8_t *dst, uint32_t count)
{
    asm volatile("movw %w3, %%fs\n\t"
                 "rep movsb %%fs:(%%esi), %%es:(%%edi)"
                 : "+S"(offset), "+D"(dst), "+c"(count)
                 : "r"(vga_segment)
                 : "memory");
}
