/*
** The file-access layer on DOS handle calls (INT 21h). A FileHandle is the
** DOS handle plus 1, so that handle 0 is not a null pointer.
*/
#include "dos/dos_int.h"
#include "platform/platform.h"

enum {
    dos_create = 0x3C,
    dos_create_new = 0x5B,
    dos_delete = 0x41,
    dos_rename = 0x56,
    dos_open = 0x3D,
    dos_close = 0x3E,
    dos_read = 0x3F,
    dos_write = 0x40,
    dos_seek = 0x42,
    access_read = 0x00,
    access_write = 0x01,
    access_read_write = 0x02,
    share_deny_all = 0x10,
    largest_transfer = 0xFE00
};

static uint16_t dos_handle(FileHandle f) { return (uint16_t)((uintptr_t)f - 1); }

static DosRegs call(uint16_t ax, uint16_t bx, uint16_t cx, uint16_t dx)
{
    DosRegs r = {ax, bx, cx, dx, 0, 0, 0};
    dos_int(0x21, &r);
    return r;
}

static uint16_t near_address(const void *p) { return (uint16_t)(uintptr_t)p; }

FileHandle file_open(const char *path, const char *mode)
{
    bool read = false, write = false, create = false, fresh = false;
    for (const char *m = mode; *m; m++) {
        if (*m == 'r')
            read = true;
        else if (*m == 'w')
            write = create = true;
        else if (*m == 'x')
            fresh = true;
        else if (*m == '+')
            write = true;
    }
    DosRegs r;
    if (create) {
        /* 5Bh fails when the name exists (DOS 3.0 and later) */
        r = call((fresh ? dos_create_new : dos_create) << 8, 0, 0, near_address(path));
        if (r.flags & flag_carry)
            return 0;
        /* reopen without sharing, with the access asked for */
        call(dos_close << 8, r.ax, 0, 0);
    }
    uint8_t access = write ? (read ? access_read_write : access_write) : access_read;
    r = call((uint16_t)(dos_open << 8 | access | share_deny_all), 0, 0, near_address(path));
    if (r.flags & flag_carry)
        return 0;
    return (FileHandle)(uintptr_t)(r.ax + 1u);
}

/* Moves up to `total` bytes in pieces; stops at the first short or failed
** transfer. The buffer lies in the data segment, so nothing beyond its end
** at 64 KB can be addressed. */
static uint32_t transfer(uint8_t function, FileHandle f, uint8_t *buffer, uint32_t size, uint32_t count)
{
    if (!f || size == 0 || count == 0)
        return 0;
    if (count > 0xFFFFFFFFu / size)
        return 0;
    uint32_t total = size * count;
    uint32_t room = 0x10000u - near_address(buffer);
    if (total > room)
        total = room;
    uint32_t done = 0;
    while (done < total) {
        uint32_t piece = total - done;
        if (piece > largest_transfer)
            piece = largest_transfer;
        DosRegs r = call((uint16_t)(function << 8), dos_handle(f), (uint16_t)piece,
                         near_address(buffer + done));
        if (r.flags & flag_carry)
            break;
        done += r.ax;
        if (r.ax != piece)
            break;
    }
    return done;
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
    return (call(dos_close << 8, dos_handle(f), 0, 0).flags & flag_carry) ? -1 : 0;
}

int file_seek(FileHandle f, int32_t offset, int origin)
{
    if (!f)
        return 1;
    uint32_t o = (uint32_t)offset;
    call((uint16_t)(dos_seek << 8 | (origin & 3)), dos_handle(f), (uint16_t)(o >> 16), (uint16_t)o);
    return 0;
}

int32_t file_tell(FileHandle f)
{
    if (!f)
        return -1;
    DosRegs r = call(dos_seek << 8 | 1, dos_handle(f), 0, 0);
    if (r.flags & flag_carry)
        return -1;
    return (int32_t)((uint32_t)r.dx << 16 | r.ax);
}

/* Truncating is a write of 0 bytes at the new end. */
int file_truncate(FileHandle f, int32_t size)
{
    if (!f)
        return -1;
    file_seek(f, size, 0);
    DosRegs r = call(dos_write << 8, dos_handle(f), 0, 0);
    return (r.flags & flag_carry) || file_tell(f) != size ? -1 : 0;
}

int file_delete(const char *path)
{
    return (call(dos_delete << 8, 0, 0, near_address(path)).flags & flag_carry) ? -1 : 0;
}

/* DOS renames only to a free name: the old file goes first. */
int file_replace(const char *from, const char *to)
{
    file_delete(to);
    DosRegs r = {dos_rename << 8, 0, 0, near_address(from), 0, near_address(to), 0};
    dos_int(0x21, &r);
    return (r.flags & flag_carry) ? -1 : 0;
}

/* Stubs until the DOS side of the session journal is done: nothing is
** forced to the disk beyond what closing does, and no file is listed. */
int file_commit(FileHandle f) { return f ? 0 : -1; }

void file_list(const char *, void (*)(const char *, void *), void *) {}
