/*
** The heap of the DOS build: the part of the data segment between the stack
** and the end of the memory DOS gave the program (dos/dos.ld). First fit
** over a chain of blocks laid end to end; freeing merges a block with free
** neighbours. Blocks are not cleared (the program allocator does that).
*/
#include "platform/platform.h"

extern "C" char _heap_start[];

/* The end of the program's memory in the data segment: set by the start-up
** code (dos/start.S) before anything is allocated. */
extern "C" {
uint8_t *dos_memory_end;
}

enum { largest_request = 65524, header_size = 4, block_unit = 4 };

/* In front of every block; `size` counts the header, `previous` is the size
** of the block before it (0 for the first), so that both neighbours are found
** without a search. */
struct Block {
    uint16_t size;
    uint16_t previous : 15;
    uint16_t used : 1;
};

static Block *heap_first;
static uint8_t *heap_end;
uint32_t heap_in_use;   /* bytes of blocks in use, headers included */
uint32_t heap_peak;     /* the most heap_in_use has been */

static Block *next_of(Block *b) { return (Block *)((uint8_t *)b + b->size); }

static void heap_start(void)
{
    uintptr_t first = ((uintptr_t)_heap_start + block_unit - 1) & ~(uintptr_t)(block_unit - 1);
    uintptr_t end = (uintptr_t)dos_memory_end & ~(uintptr_t)(block_unit - 1);
    heap_first = (Block *)first;
    if (end < first + header_size + block_unit) {
        heap_end = (uint8_t *)first;  /* no room for one block: every request fails */
        return;
    }
    heap_end = (uint8_t *)end;
    heap_first->size = (uint16_t)(end - first);
    heap_first->previous = 0;
    heap_first->used = 0;
}

void *sys_alloc(uint32_t size)
{
    if (size == 0 || size > largest_request)
        return 0;
    if (!heap_first)
        heap_start();
    uint32_t need = (size + header_size + block_unit - 1) & ~(uint32_t)(block_unit - 1);
    for (Block *b = heap_first; (uint8_t *)b < heap_end; b = next_of(b)) {
        if (b->used || b->size < need)
            continue;
        if (b->size - need >= header_size + block_unit) {
            /* split: the rest becomes a free block of its own */
            Block *rest = (Block *)((uint8_t *)b + need);
            rest->size = (uint16_t)(b->size - need);
            rest->previous = (uint16_t)(need / block_unit);
            rest->used = 0;
            Block *after = next_of(rest);
            if ((uint8_t *)after < heap_end)
                after->previous = (uint16_t)(rest->size / block_unit);
            b->size = (uint16_t)need;
        }
        b->used = 1;
        heap_in_use += b->size;
        if (heap_in_use > heap_peak)
            heap_peak = heap_in_use;
        return b + 1;
    }
    return 0;
}

void sys_free(void *block)
{
    if (!block)
        return;
    Block *b = (Block *)block - 1;
    b->used = 0;
    heap_in_use -= b->size;
    Block *after = next_of(b);
    if ((uint8_t *)after < heap_end && !after->used)
        b->size = (uint16_t)(b->size + after->size);
    if (b->previous) {
        Block *before = (Block *)((uint8_t *)b - b->previous * block_unit);
        if (!before->used) {
            before->size = (uint16_t)(before->size + b->size);
            b = before;
        }
    }
    after = next_of(b);
    if ((uint8_t *)after < heap_end)
        after->previous = (uint16_t)(b->size / block_unit);
}
