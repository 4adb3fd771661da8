// The platform contract for the fuzz targets (see fuzz_platform.h).
#include "tests/fuzz/fuzz_platform.h"

#include <stdlib.h>
#include <string.h>

#include <memory>
#include <string>
#include <vector>

#include "graphics/gfx.h"
#include "platform/platform.h"
#include "frontend/screen_memory.h"

namespace fuzzplat {

uint8_t screen[38400];
uint64_t repaints;
uint64_t allocations;
uint64_t fail_allocation;
int64_t live_blocks;

namespace {

struct MemoryFile {
    std::string name;
    std::vector<uint8_t> bytes;
};
// few files, looked up by name: a list is quicker than a map here
std::vector<std::unique_ptr<MemoryFile>> files;

struct OpenFile {
    MemoryFile *file;
    uint32_t at;
    bool reads, writes;
};

MemoryFile *find(const char *name)
{
    for (auto &f : files)
        if (f->name == name)
            return f.get();
    return nullptr;
}

}  // namespace

void write_file(const char *name, const uint8_t *data, uint32_t size)
{
    MemoryFile *f = find(name);
    if (!f) {
        files.push_back(std::make_unique<MemoryFile>());
        f = files.back().get();
        f->name = name;
    }
    f->bytes.assign(data, data + size);
}

void remove_file(const char *name)
{
    for (size_t i = 0; i < files.size(); i++)
        if (files[i]->name == name) {
            files.erase(files.begin() + long(i));
            return;
        }
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

const char *build_name(void) { return "fuzz"; }

uint8_t result_text_byte(uint8_t c) { return c; }

FileHandle file_open(const char *path, const char *mode)
{
    bool reads = false, writes = false, create = false, fresh = false;
    for (; *mode; mode++) {
        reads |= *mode == 'r';
        writes |= *mode == 'w' || *mode == '+';
        create |= *mode == 'w';
        fresh |= *mode == 'x';
    }
    MemoryFile *file = find(path);
    if (!file && !create)
        return 0;
    if (file && fresh)
        return 0;
    if (!file) {
        write_file(path, nullptr, 0);
        file = find(path);
    }
    if (create)
        file->bytes.clear();
    return new OpenFile{file, 0, reads, writes};
}

uint32_t file_read(void *buffer, uint32_t size, uint32_t count, FileHandle handle)
{
    OpenFile *f = static_cast<OpenFile *>(handle);
    uint64_t want = uint64_t(size) * count;
    if (!f || !f->reads || want > 0x7FFFFFFFu || f->at >= f->file->bytes.size())
        return 0;
    uint32_t n = uint32_t(want < f->file->bytes.size() - f->at ? want : f->file->bytes.size() - f->at);
    memcpy(buffer, f->file->bytes.data() + f->at, n);
    f->at += n;
    return n;
}

uint32_t file_write(const void *buffer, uint32_t size, uint32_t count, FileHandle handle)
{
    OpenFile *f = static_cast<OpenFile *>(handle);
    uint64_t want = uint64_t(size) * count;
    if (!f || !f->writes || want > 0x7FFFFFFFu)
        return 0;
    std::vector<uint8_t> &b = f->file->bytes;
    if (b.size() < f->at + want)
        b.resize(f->at + want);
    memcpy(b.data() + f->at, buffer, size_t(want));
    f->at += uint32_t(want);
    return uint32_t(want);
}

int file_close(FileHandle handle)
{
    if (!handle)
        return -1;
    delete static_cast<OpenFile *>(handle);
    return 0;
}

int file_seek(FileHandle handle, int32_t offset, int origin)
{
    OpenFile *f = static_cast<OpenFile *>(handle);
    if (!f)
        return 1;
    int64_t base = origin == 1 ? f->at : origin == 2 ? int64_t(f->file->bytes.size()) : 0;
    if (base + offset >= 0)
        f->at = uint32_t(base + offset);
    return 0;
}

int32_t file_tell(FileHandle handle)
{
    OpenFile *f = static_cast<OpenFile *>(handle);
    return f ? int32_t(f->at) : -1;
}

int file_exists(const char *path) { return find(path) != nullptr; }

int file_commit(FileHandle handle) { return handle ? 0 : -1; }

int file_truncate(FileHandle handle, int32_t size)
{
    OpenFile *f = static_cast<OpenFile *>(handle);
    if (!f || size < 0)
        return -1;
    f->file->bytes.resize(size_t(size));
    f->at = uint32_t(size);
    return 0;
}

int file_replace(const char *from, const char *to)
{
    MemoryFile *f = find(from);
    if (!f)
        return -1;
    remove_file(to);
    f->name = to;
    return 0;
}

int file_delete(const char *path)
{
    if (!find(path))
        return -1;
    remove_file(path);
    return 0;
}

void file_list(const char *, void (*)(const char *, void *), void *) {}
