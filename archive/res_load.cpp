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

    uint32_t count = get_u16(header + archive_count_at);
    uint8_t *dir = (uint8_t *)mem_alloc(count * archive_entry_size);
    if (!dir) {
        file_close(f);
        return 0;
    }
    file_seek(f, (int32_t)get_u32(header + archive_directory_at), 0);
    file_read(dir, archive_entry_size, count, f);

    const uint8_t *entry = 0;
    for (uint32_t i = 0; i < count; i++) {
        const uint8_t *e = dir + i * archive_entry_size;
        if (res_name_cmp((const char *)e + entry_name_at, name, archive_name_size) == 0) {
            entry = e;
            break;
        }
    }
    if (!entry) {
        mem_free(dir);
        file_close(f);
        return 0;
    }

    file_seek(f, (int32_t)get_u32(entry + entry_offset_at), 0);
    uint32_t stored = get_u16(entry + entry_stored_at);
    uint32_t unpacked = get_u16(entry + entry_unpacked_at);
    mem_free(dir);

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
