// The platform contract for the fuzz targets (see fuzz_platform.h).
#include "tests/fuzz/fuzz_platform.h"

#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

#include "graphics/gfx.h"
#include "platform/platform.h"
#include "platform/screen_memory.h"

namespace fuzzplat {

uint8_t screen[38400];
uint64_t repaints;
uint64_t allocations;
uint64_t fail_allocation;
int64_t live_blocks;

static char dir[] = "/tmp/meridoka-fuzz-XXXXXX";

static void remove_scratch_dir()
{
    char path[sizeof dir + 16];
    snprintf(path, sizeof path, "%s/MERIDOKA.WDL", dir);
    unlink(path);
    rmdir(dir);
}

InScratchDir::InScratchDir()
{
    static bool made = false;
    if (!made) {
        if (!mkdtemp(dir))
            abort();
        atexit(remove_scratch_dir);
        made = true;
    }
    home_ = open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (home_ < 0 || chdir(dir) != 0)
        abort();
}

InScratchDir::~InScratchDir()
{
    if (fchdir(home_) != 0)
        abort();
    close(home_);
}

void write_file(const char *name, const uint8_t *data, uint32_t size)
{
    FILE *f = fopen(name, "wb");
    if (!f || (size && fwrite(data, 1, size, f) != size) || fclose(f) != 0)
        abort();
}

}  // namespace fuzzplat

using namespace fuzzplat;

void *sys_alloc(uint32_t size)
{
    allocations++;
    if (fail_allocation && allocations == fail_allocation)
        return 0;
    void *p = malloc(size ? size : 1);
    if (p)
        live_blocks++;
    return p;
}

void sys_free(void *block)
{
    if (block)
        live_blocks--;
    free(block);
}

int video_open(void)
{
    if (video_is_open)
        return 2;
    screen_memory_open(screen);
    return 1;
}

void video_close(void) { screen_memory_close(); }

void video_repaint(void) { repaints++; }

uint8_t get_key(void) { return 1; }

void show_error(const char *) {}

const char *result_file_name(void) { return "RESULT-F.TXT"; }

uint8_t result_text_byte(uint8_t c) { return c; }
