/*
** File access on KERNEL32 handles. Files are opened without sharing; reads
** and writes report bytes transferred. A null handle is "no file". Commits
** are FlushFileBuffers, a replacing rename is MoveFileEx written through.
*/
#include "win32/win32.h"
#include "platform/platform.h"

FileHandle file_open(const char *path, const char *mode)
{
    DWORD access = 0, disposition = OPEN_EXISTING;
    for (; *mode; mode++) {
        if (*mode == 'r') {
            access |= GENERIC_READ;
        } else if (*mode == 'w') {
            access |= GENERIC_WRITE;
            if (disposition != CREATE_NEW)
                disposition = CREATE_ALWAYS;
        } else if (*mode == 'x') {
            disposition = CREATE_NEW;
        } else if (*mode == '+') {
            access |= GENERIC_WRITE;
        }
    }
    HANDLE h = CreateFileA(path, access, 0, NULL, disposition, FILE_FLAG_SEQUENTIAL_SCAN, NULL);
    return h == INVALID_HANDLE_VALUE ? 0 : (FileHandle)h;
}

/* The bytes size * count asks for, or 0 when that passes 2 GB: a product
** that wrapped around would transfer a few bytes of a huge request. */
static DWORD request_bytes(uint32_t size, uint32_t count)
{
    uint64_t total = (uint64_t)size * count;
    return total > 0x7FFFFFFFu ? 0 : (DWORD)total;
}

uint32_t file_read(void *buffer, uint32_t size, uint32_t count, FileHandle f)
{
    DWORD done = 0, want = request_bytes(size, count);
    if (f && want)
        ReadFile((HANDLE)f, buffer, want, &done, NULL);
    return done;
}

uint32_t file_write(const void *buffer, uint32_t size, uint32_t count, FileHandle f)
{
    DWORD done = 0, want = request_bytes(size, count);
    if (f && want)
        WriteFile((HANDLE)f, buffer, want, &done, NULL);
    return done;
}

int file_close(FileHandle f)
{
    /* checked here: the "invalid" handle value is also the current process */
    if (!f)
        return -1;
    return CloseHandle((HANDLE)f) ? 0 : -1;
}

int file_seek(FileHandle f, int32_t offset, int origin)
{
    if (!f)
        return 1;
    SetFilePointer((HANDLE)f, offset, NULL, (DWORD)origin);
    return 0;
}

int32_t file_tell(FileHandle f)
{
    if (!f)
        return -1;
    return (int32_t)SetFilePointer((HANDLE)f, 0, NULL, FILE_CURRENT);
}

int file_exists(const char *path) { return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES; }

int file_commit(FileHandle f)
{
    if (!f)
        return -1;
    return FlushFileBuffers((HANDLE)f) ? 0 : -1;
}

int file_truncate(FileHandle f, int32_t size)
{
    if (!f)
        return -1;
    SetFilePointer((HANDLE)f, size, NULL, FILE_BEGIN);
    return SetEndOfFile((HANDLE)f) ? 0 : -1;
}

int file_replace(const char *from, const char *to)
{
    return MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) ? 0 : -1;
}

int file_delete(const char *path) { return DeleteFileA(path) ? 0 : -1; }

/* Windows' own '?' also matches nothing at a name's end: the caller checks. */
void file_list(const char *pattern, void (*found)(const char *name, void *context), void *context)
{
    WIN32_FIND_DATAA data;
    HANDLE search = FindFirstFileA(pattern, &data);
    if (search == INVALID_HANDLE_VALUE)
        return;
    do {
        if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            found(data.cFileName, context);
    } while (FindNextFileA(search, &data));
    FindClose(search);
}
