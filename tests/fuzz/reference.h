// Straightforward models of the archive formats, written from their
// descriptions and independent of the code under test: the fuzz targets
// compare the real results with these.
#pragma once

#include <stdint.h>
#include <string.h>

#include <vector>

namespace ref {

using Bytes = std::vector<uint8_t>;

// LZSS: window of 4096 spaces written from 4080, flag bits from bit 0,
// set bit literal, clear bit match (12-bit absolute position, length 3..18).
inline void lzss(const uint8_t *src, size_t src_len, uint8_t *dst, size_t dst_len)
{
    uint8_t ring[4096];
    memset(ring, ' ', sizeof ring);
    size_t r = 4080, in = 0, out = 0;
    if (!src_len || !dst_len)
        return;
    for (;;) {
        if (in >= src_len || out >= dst_len)
            return;
        unsigned flags = src[in++];
        for (int bit = 0; bit < 8; bit++) {
            if (flags >> bit & 1) {
                if (in >= src_len)
                    return;
                uint8_t c = src[in++];
                ring[r] = c;
                if (out >= dst_len)
                    return;
                dst[out++] = c;
                r = (r + 1) % 4096;
            } else {
                if (in + 1 >= src_len)
                    return;
                unsigned b1 = src[in], b2 = src[in + 1];
                in += 2;
                size_t p = b1 + ((b2 & 0xF0) << 4), n = (b2 & 0x0F) + 3;
                for (size_t k = 0; k < n; k++) {
                    uint8_t c = ring[p];
                    ring[r] = c;
                    if (out < dst_len)
                        dst[out++] = c;
                    p = (p + 1) % 4096;
                    r = (r + 1) % 4096;
                }
            }
        }
    }
}

inline uint8_t fold(uint8_t c) { return c >= 'A' && c <= 'Z' ? uint8_t(c + 32) : c; }

// Names equal when their first 8 characters match with ASCII letters folded,
// a zero ending both.
inline bool same_name(const uint8_t *entry, const char *wanted)
{
    for (int i = 0; i < 8; i++) {
        uint8_t a = fold(entry[i]), b = fold(uint8_t(wanted[i]));
        if (a != b)
            return false;
        if (a == 0)
            return true;
    }
    return true;
}

// A file read through a cursor: seeks to negative 32-bit offsets fail and
// leave the cursor; reads past the end deliver what is there.
struct File {
    const uint8_t *data;
    size_t size;
    uint64_t pos = 0;
    void seek(uint32_t offset)
    {
        if (int32_t(offset) >= 0)
            pos = offset;
    }
    void read(uint8_t *dst, size_t n)
    {
        if (!n)
            return;
        memset(dst, 0, n);
        size_t got = pos >= size ? 0 : (size - pos < n ? size_t(size - pos) : n);
        if (got)
            memcpy(dst, data + pos, got);
        pos += got;
    }
};

inline uint32_t u16(const uint8_t *p) { return p[0] | p[1] << 8; }
inline uint32_t u32(const uint8_t *p) { return u16(p) | u16(p + 2) << 16; }

// What res_load(name) delivers from an archive file with these bytes;
// false for null.
inline bool load(const uint8_t *data, size_t size, const char *name, Bytes &out)
{
    File f{data, size};
    uint8_t header[12];
    f.read(header, 12);
    if (memcmp(header, "WDLZ", 4) != 0)
        return false;
    uint32_t count = u16(header + 4);
    Bytes dir(size_t(count) * 16);
    f.seek(u32(header + 8));
    f.read(dir.data(), dir.size());
    for (uint32_t i = 0; i < count; i++) {
        const uint8_t *e = &dir[size_t(i) * 16];
        if (!same_name(e + 8, name))
            continue;
        uint32_t stored = u16(e + 4), unpacked = u16(e + 6);
        f.seek(u32(e));
        Bytes in(stored);
        f.read(in.data(), stored);
        if (!unpacked) {
            out = in;
        } else {
            out.assign(unpacked, 0);
            lzss(in.data(), in.size(), out.data(), out.size());
        }
        return true;
    }
    return false;
}

// Offset of the body of message index inside a block, or -1. Every record
// up to the wanted one must lie inside the block and the wanted body must
// hold its zero byte.
inline long message(const uint8_t *b, size_t size, long index)
{
    if (size < 2)
        return -1;
    size_t count = u16(b), pos = 2;
    for (size_t i = 0; i < count; i++) {
        if (pos + 2 > size)
            return -1;
        size_t len = u16(b + pos);
        if (pos + 2 + len > size)
            return -1;
        if (long(i) == index)
            return memchr(b + pos + 2, 0, len) ? long(pos + 2) : -1;
        pos += 2 + len;
    }
    return -1;
}

struct Item {
    size_t record;  // offset of the record in the block
    bool has_text;  // text_length > 0
};

// The records of an item table; false when a record does not lie wholly
// inside the block or its text has no zero byte inside its field.
inline bool items(const uint8_t *b, size_t size, std::vector<Item> &out)
{
    out.clear();
    if (size < 2)
        return false;
    size_t count = u16(b), pos = 2;
    for (size_t i = 0; i < count; i++) {
        if (pos + 12 > size)
            return false;
        size_t len = b[pos + 1];
        if (pos + 12 + len > size)
            return false;
        if (len && !memchr(b + pos + 12, 0, len))
            return false;
        out.push_back({pos, len > 0});
        pos += 12 + len;
    }
    return true;
}

// Literals only: a valid packed stream for any bytes.
inline Bytes literal_stream(const uint8_t *data, size_t size)
{
    Bytes out;
    for (size_t i = 0; i < size; i += 8) {
        size_t n = size - i < 8 ? size - i : 8;
        out.push_back(uint8_t((1u << n) - 1));
        out.insert(out.end(), data + i, data + i + n);
    }
    return out;
}

struct Entry {
    const char *name;
    Bytes stored;
    uint16_t unpacked;
};

// Header, directory, data.
inline Bytes archive(const std::vector<Entry> &entries)
{
    Bytes out = {'W', 'D', 'L', 'Z', uint8_t(entries.size()), uint8_t(entries.size() >> 8), 0, 0, 12, 0, 0, 0};
    uint32_t offset = uint32_t(12 + 16 * entries.size());
    for (const Entry &e : entries) {
        uint8_t rec[16] = {uint8_t(offset), uint8_t(offset >> 8), uint8_t(offset >> 16), uint8_t(offset >> 24),
                           uint8_t(e.stored.size()), uint8_t(e.stored.size() >> 8),
                           uint8_t(e.unpacked), uint8_t(e.unpacked >> 8)};
        for (size_t k = 0; k < 8 && e.name[k]; k++)
            rec[8 + k] = uint8_t(e.name[k]);
        out.insert(out.end(), rec, rec + 16);
        offset += uint32_t(e.stored.size());
    }
    for (const Entry &e : entries)
        out.insert(out.end(), e.stored.begin(), e.stored.end());
    return out;
}

}  // namespace ref
