#include "archive/archive.h"
#include "archive/lzss.h"
#include "base/little_endian.h"
#include "base/memory.h"
#include "platform/platform.h"

static uint8_t fold(uint8_t c) { return (c >= 'A' && c <= 'Z') ? (uint8_t)(c + 0x20) : c; }

int res_name_cmp(const char *a, const char *b, int n)
{
    uint8_t ca = 0, cb = 0;
    for (int i = 0; i < n; i++) {
        ca = fold((uint8_t)a[i]);
        cb = fold((uint8_t)b[i]);
        if (ca != cb || ca == 0)
            break;
    }
    return (int8_t)(uint8_t)(ca - cb);
}

FileHandle archive_open(uint8_t *header)
{
    FileHandle f = file_open(archive_file_name, "rb");
    if (!f)
        return 0;
    mem_fill(header, 0, archive_header_size);
    file_read(header, 1, archive_header_size, f);
    for (int i = 0; i < 4; i++) {
        if (header[i] != (uint8_t)archive_magic[i]) {
            file_close(f);
            return 0;
        }
    }
    return f;
}

enum { directory_slice = 8 }; /* entries read at a time */

/* Loads resource `name` into a block with `extra` zero bytes after it. */
static void *load(const char *name, uint32_t *length, uint32_t extra)
{
    uint32_t unused;
    if (!length)
        length = &unused;
    *length = 0;

    uint8_t header[archive_header_size];
    FileHandle f = archive_open(header);
    if (!f)
        return 0;

    /* The directory goes through a small buffer a slice at a time, so a
    ** large one needs no block. It is read to its end, as one read of it
    ** would leave the file: an entry whose offset cannot be sought reads from
    ** there. Past the file's end every entry reads as zeros, so after a short
    ** read one more such entry stands for all the rest. */
    uint32_t count = get_u16(header + archive_count_at);
    uint8_t slice[directory_slice * archive_entry_size];
    uint8_t entry[archive_entry_size];
    int found = 0;
    file_seek(f, (int32_t)get_u32(header + archive_directory_at), 0);
    for (uint32_t i = 0; i < count;) {
        uint32_t n = count - i;
        if (n > directory_slice)
            n = directory_slice;
        mem_fill(slice, 0, n * archive_entry_size);
        uint32_t got = file_read(slice, 1, n * archive_entry_size, f);
        for (uint32_t k = 0; k < n && !found; k++) {
            const uint8_t *e = slice + k * archive_entry_size;
            if (res_name_cmp((const char *)e + entry_name_at, name, archive_name_size) == 0) {
                mem_move(entry, e, archive_entry_size);
                found = 1;
            }
        }
        i += n;
        if (got < n * archive_entry_size && i < count)
            count = i + 1;
    }
    if (!found) {
        file_close(f);
        return 0;
    }

    file_seek(f, (int32_t)get_u32(entry + entry_offset_at), 0);
    uint32_t stored = get_u16(entry + entry_stored_at);
    uint32_t unpacked = get_u16(entry + entry_unpacked_at);

    uint8_t *out = 0;
    if (unpacked) {
        out = (uint8_t *)mem_alloc(unpacked + extra);
        if (!out) {
            file_close(f);
            return 0;
        }
    }
    uint8_t *in = (uint8_t *)mem_alloc(unpacked ? stored : stored + extra);
    if (!in) {
        mem_free(out);
        file_close(f);
        return 0;
    }
    file_read(in, 1, stored, f);

    if (unpacked) {
        lzss_unpack(in, out, stored, unpacked);
        mem_free(in);
        in = out;
    }
    file_close(f);
    *length = unpacked ? unpacked : stored;
    return in;
}

void *res_load(const char *name, uint32_t *length) { return load(name, length, 0); }

void *res_load_text(const char *name, uint32_t *length) { return load(name, length, 1); }
