/*
** Program allocator and byte helpers.
**
** Every block the core hands out (resources, tables, captured pictures) comes
** from mem_alloc: it is zero-filled on every platform and remembers its size,
** so that code which parses a block can learn where the block ends.
** Blocks given to mem_size, msg_get, gfx_set_font and gfx_put_image must
** come from mem_alloc.
*/
#ifndef MERIDOKA_MEMORY_H
#define MERIDOKA_MEMORY_H

#include <stdint.h>

void *mem_alloc(uint32_t size);   /* zero-filled; null when out of memory */
void mem_free(void *block);       /* null is allowed */
uint32_t mem_size(const void *block); /* size asked for; 0 for null */

void *mem_fill(void *dst, int value, uint32_t count);
void *mem_move(void *dst, const void *src, uint32_t count);
uint32_t str_len(const char *s);

#endif
