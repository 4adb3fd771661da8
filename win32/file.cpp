/*
** File access on KERNEL32 handles. Files are opened without sharing; reads
** and writes report bytes transferred. A null handle is "no file".
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
            disposition = CREATE_ALWAYS;
        } else if (*mode == '+') {
            access |= GENERIC_WRITE;
        }
    }
    HANDLE h = CreateFileA(path, access, 0, NULL, disposition, FILE_FLAG_SEQUENTIAL_SCAN, NULL);
    return h == INVALID_HANDLE_VALUE ? 0 : (FileHandle)h;
}

uint32_t file_read(void *buffer, uint32_t size, uint32_t count, FileHandle f)
{
    DWORD done = 0;
    if (f)
        ReadFile((HANDLE)f, buffer, size * count, &done, NULL);
    return done;
}

uint32_t file_write(const void *buffer, uint32_t size, uint32_t count, FileHandle f)
{
    DWORD done = 0;
    if (f)
        WriteFile((HANDLE)f, buffer, size * count, &done, NULL);
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
