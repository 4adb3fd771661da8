/*
** Program allocator over the platform's raw blocks. A small header in front
** of each block keeps its size.
*/
#include "base/memory.h"
#include "platform/platform.h"

/* 8 bytes keep the blocks aligned for the records stored in them */
enum { block_header = 8 };

void *mem_alloc(uint32_t size)
{
    if (size > 0xFFFFFFFFu - block_header)
        return 0;
    uint8_t *raw = (uint8_t *)sys_alloc(size + block_header);
    if (!raw)
        return 0;
    *(uint32_t *)raw = size;
    mem_fill(raw + block_header, 0, size);
    return raw + block_header;
}

void mem_free(void *block)
{
    if (block)
        sys_free((uint8_t *)block - block_header);
}

uint32_t mem_size(const void *block)
{
    if (!block)
        return 0;
    return *(const uint32_t *)((const uint8_t *)block - block_header);
}

void *mem_fill(void *dst, int value, uint32_t count)
{
    uint8_t *d = (uint8_t *)dst;
    uint8_t v = (uint8_t)value;
    while (count--)
        *d++ = v;
    return dst;
}

void *mem_move(void *dst, const void *src, uint32_t count)
{
    uint8_t *d = (uint8_t *)dst;
    const uint8_t *s = (const uint8_t *)src;
    if (d > s && d < s + count) {
        /* destination starts inside the source: copy from the end */
        while (count--)
            d[count] = s[count];
    } else {
        for (uint32_t i = 0; i < count; i++)
            d[i] = s[i];
    }
    return dst;
}

uint32_t str_len(const char *s)
{
    uint32_t n = 0;
    while (s[n])
        n++;
    return n;
}
