/* What GCC may call on its own in a freestanding build. */
#include <stddef.h>

extern "C" void *memcpy(void *dst, const void *src, size_t count);
extern "C" void *memset(void *dst, int value, size_t count);

extern "C" void *memcpy(void *dst, const void *src, size_t count)
{
    void *d = dst;
    asm volatile("rep movsb %%ds:(%%esi), %%es:(%%edi)"
                 : "+D"(d), "+S"(src), "+c"(count)
                 :
                 : "memory");
    return dst;
}

extern "C" void *memset(void *dst, int value, size_t count)
{
    void *d = dst;
    asm volatile("rep stosb %%al, %%es:(%%edi)" : "+D"(d), "+c"(count) : "a"(value) : "memory");
    return dst;
}
