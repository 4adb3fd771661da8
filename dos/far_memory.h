/* Bytes outside the data segment (the frame buffer, the BIOS data area),
** reached through FS, which the compiler never uses. */
#ifndef MERIDOKA_FAR_MEMORY_H
#define MERIDOKA_FAR_MEMORY_H

#include <stdint.h>

static inline uint8_t far_get(uint16_t segment, uint32_t offset)
{
    uint8_t value;
    asm volatile("movw %w1, %%fs\n\t"
                 "movb %%fs:(%2), %0"
                 : "=q"(value)
                 : "r"(segment), "r"(offset)
                 : "memory");
    return value;
}

static inline void far_put(uint16_t segment, uint32_t offset, uint8_t value)
{
    asm volatile("movw %w0, %%fs\n\t"
                 "movb %1, %%fs:(%2)"
                 :
                 : "r"(segment), "q"(value), "r"(offset)
                 : "memory");
}

#endif
