// The platform under the fuzz targets: POSIX files (posix/file_posix.cpp),
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

// While one of these lives, the working directory is a temporary directory
// of this process (made on first use), where the targets write the archive.
// The directory changes back afterwards: libFuzzer's own paths may be
// relative to where it was started.
class InScratchDir {
public:
    InScratchDir();
    ~InScratchDir();
    InScratchDir(const InScratchDir &) = delete;
    InScratchDir &operator=(const InScratchDir &) = delete;

private:
    int home_;
};

// Writes bytes to a file in the current directory; aborts on failure.
void write_file(const char *name, const uint8_t *data, uint32_t size);

}  // namespace fuzzplat
