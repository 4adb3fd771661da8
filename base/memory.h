/*
** Program allocator and byte helpers.
**
** Every block the core hands out (resources, tables, captured pictures) comes
** from mem_alloc and is zero-filled on every platform. Blocks carry no length
** of their own: whoever parses one is told its length.
*/
#ifndef MERIDOKA_MEMORY_H
#define MERIDOKA_MEMORY_H

#include <stdint.h>

/* Zero-filled; null when out of memory. A request for 0 bytes gives a
** block too (of one byte), so that an empty resource is not "missing". */
void *mem_alloc(uint32_t size);
void mem_free(void *block);       /* null is allowed */

void *mem_fill(void *dst, int value, uint32_t count);
void *mem_move(void *dst, const void *src, uint32_t count);
uint32_t str_len(const char *s);
/* 1 when both texts are the same, byte for byte; else 0. */
int str_equal(const char *a, const char *b);

#endif
