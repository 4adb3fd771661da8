/* The program allocator over the platform's raw blocks, and byte helpers. */
#include "base/memory.h"
#include "platform/platform.h"

void *mem_alloc(uint32_t size)
{
    void *block = sys_alloc(size ? size : 1);
    if (block)
        mem_fill(block, 0, size);
    return block;
}

void mem_free(void *block)
{
    if (block)
        sys_free(block);
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

int str_equal(const char *a, const char *b)
{
    while (*a && *a == *b) {
        a++;
        b++;
    }
    return *a == *b;
}
