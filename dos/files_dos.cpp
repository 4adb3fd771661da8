/*
** The file-access layer on DOS handle calls (INT 21h). A FileHandle is the
** DOS handle plus 1, so that handle 0 is not a null pointer.
*/
#include "dos/dos_int.h"
#include "platform/platform.h"

enum {
    dos_create = 0x3C,
    dos_create_new = 0x5B,
    dos_commit = 0x68,
    dos_duplicate = 0x45,
    dos_version = 0x30,
    dos_set_transfer_area = 0x1A,
    dos_find_first = 0x4E,
    dos_find_next = 0x4F,
    dos_3_30 = 0x031E,
    dos_delete = 0x41,
    dos_rename = 0x56,
    dos_open = 0x3D,
    dos_close = 0x3E,
    dos_read = 0x3F,
    dos_write = 0x40,
    dos_seek = 0x42,
    share_deny_all = 0x10,
};

static uint16_t dos_handle(FileHandle f) { return (uint16_t)((uintptr_t)f - 1); }

static uint16_t near_address(const void *p) { return (uint16_t)(uintptr_t)p; }

FileHandle file_open(const char *path, const char *mode)
{
    enum { read = 1, write = 2, create = 4, fresh = 8 };
    uint8_t asked = 0;
    for (const char *m = mode; *m; m++)
        asked |= *m == 'r' ? read : *m == 'w' ? write | create : *m == '+' ? write : *m == 'x' ? fresh : 0;
    if (asked & create) {
        /* 5Bh fails when the name exists (DOS 3.0 and later) */
        if (dos_call((asked & fresh ? dos_create_new : dos_create) << 8, 0, 0, near_address(path)))
            return 0;
        /* reopen without sharing, with the access asked for */
        dos_call(dos_close << 8, dos_regs.ax, 0, 0);
    }
    /* access 0 read, 1 write, 2 both */
    uint8_t access = asked & write ? 1 + (asked & read) : 0;
    if (dos_call((uint16_t)(dos_open << 8 | access | share_deny_all), 0, 0, near_address(path)))
        return 0;
    return (FileHandle)(uintptr_t)(dos_regs.ax + 1u);
}

/* Moves up to size * count bytes in one call: the buffer lies in the data
** segment, so nothing beyond its end at 64 KB can be addressed, and what
** is left of the segment fits a DOS count. */
static uint32_t transfer(uint8_t function, FileHandle f, uint8_t *buffer, uint32_t size, uint32_t count)
{
    uint32_t total = 0x10000u - near_address(buffer);
    if (!size || count <= total / size)
        total = size * count;
    if (!f || !total || dos_call((uint16_t)(function << 8), dos_handle(f), (uint16_t)total, near_address(buffer)))
        return 0;
    return dos_regs.ax;
}

uint32_t file_read(void *buffer, uint32_t size, uint32_t count, FileHandle f)
{
    return transfer(dos_read, f, (uint8_t *)buffer, size, count);
}

uint32_t file_write(const void *buffer, uint32_t size, uint32_t count, FileHandle f)
{
    /* a DOS write of 0 bytes would truncate the file: transfer never makes one */
    return transfer(dos_write, f, (uint8_t *)(uintptr_t)buffer, size, count);
}

int file_close(FileHandle f)
{
    if (!f)
        return -1;
    return dos_call(dos_close << 8, dos_handle(f), 0, 0) ? -1 : 0;
}

int file_seek(FileHandle f, int32_t offset, int origin)
{
    if (!f)
        return 1;
    uint32_t o = (uint32_t)offset;
    dos_call((uint16_t)(dos_seek << 8 | (origin & 3)), dos_handle(f), (uint16_t)(o >> 16), (uint16_t)o);
    return 0;
}

int32_t file_tell(FileHandle f)
{
    if (!f)
        return -1;
    if (dos_call(dos_seek << 8 | 1, dos_handle(f), 0, 0))
        return -1;
    return (int32_t)((uint32_t)dos_regs.dx << 16 | dos_regs.ax);
}

/* Truncating is a write of 0 bytes at the new end. */
int file_truncate(FileHandle f, int32_t size)
{
    uint32_t at = (uint32_t)size;
    if (!f || dos_call(dos_seek << 8, dos_handle(f), (uint16_t)(at >> 16), (uint16_t)at) ||
        ((uint32_t)dos_regs.dx << 16 | dos_regs.ax) != at)
        return -1;
    return dos_call(dos_write << 8, dos_handle(f), 0, 0) ? -1 : 0;
}

int file_delete(const char *path)
{
    return dos_call(dos_delete << 8, 0, 0, near_address(path)) ? -1 : 0;
}

/* DOS renames only to a free name: the old file goes first. */
int file_replace(const char *from, const char *to)
{
    file_delete(to);
    dos_regs.di = near_address(to);
    return dos_call(dos_rename << 8, 0, 0, near_address(from)) ? -1 : 0;
}

/* DOS 3.3 and later commit a file (68h); before, closing a duplicate of its
** handle writes its buffers and directory entry all the same. A seek to
** where the file stands comes first: DOS emulators (DOSBox) take the
** commit for done but write their own buffers through on a seek. */
int file_commit(FileHandle f)
{
    if (!f || dos_call(dos_seek << 8 | 1, dos_handle(f), 0, 0))
        return -1;
    static uint16_t version;   /* major version high, minor low */
    if (!version) {
        dos_call(dos_version << 8, 0, 0, 0);
        version = (uint16_t)(dos_regs.ax << 8 | dos_regs.ax >> 8);
    }
    if (version >= dos_3_30 && !dos_call(dos_commit << 8, dos_handle(f), 0, 0))
        return 0;
    if (dos_call(dos_duplicate << 8, dos_handle(f), 0, 0))
        return -1;
    return dos_call(dos_close << 8, dos_regs.ax, 0, 0) ? -1 : 0;
}

/* FindFirst and FindNext with the program's own transfer area: the PSP's,
** where DOS puts it by default, holds the command tail. */
void file_list(const char *pattern, void (*found)(const char *name, void *context), void *context)
{
    static char area[43];   /* the found file's name from offset 1Eh */
    dos_call(dos_set_transfer_area << 8, 0, 0, near_address(area));
    for (bool done = dos_call(dos_find_first << 8, 0, 0, near_address(pattern)); !done;
         done = dos_call(dos_find_next << 8, 0, 0, 0))
        found(area + 0x1E, context);
}
