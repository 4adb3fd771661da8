/*
** The file layer over the page's working folder (web/page/folder.js): the
** archive the page fetched or the person chose, the result file and
** screenshots, the session journals. No Emscripten file system: a handful
** of calls into the page. A commit waits until the page has the file's
** bytes in the browser's storage (IndexedDB).
*/
#include "platform/platform.h"
#include "web/web.h"

static int handle_of(FileHandle f) { return (int)(intptr_t)f; }

FileHandle file_open(const char *path, const char *mode)
{
    int read = 0, write = 0, create = 0, fresh = 0;
    for (const char *m = mode; *m; m++) {
        if (*m == 'r')
            read = 1;
        else if (*m == 'w')
            write = create = 1;
        else if (*m == '+')
            write = 1;
        else if (*m == 'x')
            fresh = 1;
    }
    return (FileHandle)(intptr_t)web_file_open(path, read, write, create, fresh && create);
}

static uint32_t request_bytes(uint32_t size, uint32_t count)
{
    uint64_t total = (uint64_t)size * count;
    return total > 0x7FFFFFFFu ? 0 : (uint32_t)total;
}

uint32_t file_read(void *buffer, uint32_t size, uint32_t count, FileHandle f)
{
    return f ? web_file_read(handle_of(f), buffer, request_bytes(size, count)) : 0;
}

uint32_t file_write(const void *buffer, uint32_t size, uint32_t count, FileHandle f)
{
    return f ? web_file_write(handle_of(f), buffer, request_bytes(size, count)) : 0;
}

int file_close(FileHandle f) { return f ? web_file_close(handle_of(f)) : -1; }

int file_seek(FileHandle f, int32_t offset, int origin)
{
    if (!f)
        return 1;
    web_file_seek(handle_of(f), offset, origin);
    return 0;
}

int32_t file_tell(FileHandle f) { return f ? web_file_tell(handle_of(f)) : -1; }

int file_exists(const char *path) { return web_file_exists(path); }

int file_commit(FileHandle f) { return f ? web_file_commit(handle_of(f)) : -1; }

int file_truncate(FileHandle f, int32_t size) { return f && size >= 0 ? web_file_truncate(handle_of(f), size) : -1; }

int file_replace(const char *from, const char *to) { return web_file_replace(from, to); }

int file_delete(const char *path) { return web_file_delete(path); }

/* Every name in the folder: the caller picks. */
void file_list(const char *, void (*found)(const char *name, void *context), void *context)
{
    char name[128];
    for (int i = 0; web_file_name(i, name, (int)sizeof name); i++)
        found(name, context);
}
