// The platform under the fuzz targets: files in memory,
// counted heap blocks with one injectable allocation failure, a repaint
// counter and a screen buffer of its own. Nothing is shown or asked.
#pragma once

#include <stdint.h>

namespace fuzzplat {

extern uint8_t screen[38400];
extern uint64_t repaints;
extern uint64_t allocations;     // sys_alloc calls so far
extern uint64_t fail_allocation; // the call number that fails; 0 never
extern int64_t live_blocks;

// Files live in memory, by name: no disk, no working folder. write_file
// makes (or replaces) one; remove_file takes it away. The bytes are copied,
// so that a read past a file's end is a read past a block.
void write_file(const char *name, const uint8_t *data, uint32_t size);
void remove_file(const char *name);

}  // namespace fuzzplat
