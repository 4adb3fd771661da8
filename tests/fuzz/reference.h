// Straightforward models of the archive formats, written from their
// descriptions and independent of the code under test: the fuzz targets
// compare the real results with these.
#pragma once

#include <stdint.h>
#include <string.h>

#include <algorithm>
#include <vector>

#include "archive/format.h"

namespace ref {

using Bytes = std::vector<uint8_t>;

// LZSS: window of 4096 spaces written from 4080, flag bits from bit 0,
// set bit literal, clear bit match (12-bit absolute position, length 3..18).
inline void lzss(const uint8_t *src, size_t src_len, uint8_t *dst, size_t dst_len)
{
    uint8_t ring[lzss_window_size];
    memset(ring, lzss_window_fill, sizeof ring);
    size_t r = lzss_window_start, in = 0, out = 0;
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
                r = (r + 1) % lzss_window_size;
            } else {
                if (in + 1 >= src_len)
                    return;
                unsigned b1 = src[in], b2 = src[in + 1];
                in += 2;
                size_t p = b1 + ((b2 & 0xF0) << 4), n = (b2 & 0x0F) + lzss_min_match;
                for (size_t k = 0; k < n; k++) {
                    uint8_t c = ring[p];
                    ring[r] = c;
                    if (out < dst_len)
                        dst[out++] = c;
                    p = (p + 1) % lzss_window_size;
                    r = (r + 1) % lzss_window_size;
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
    for (int i = 0; i < archive_name_size; i++) {
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
    uint8_t header[archive_header_size];
    f.read(header, archive_header_size);
    if (memcmp(header, archive_magic, 4) != 0)
        return false;
    uint32_t count = u16(header + archive_count_at);
    // the directory read where it stands, one entry at a time (a copy of a
    // large one cost more than everything else): bytes past the end read 0
    f.seek(u32(header + archive_directory_at));
    const uint64_t dir_at = f.pos;
    uint8_t e[archive_entry_size];
    for (uint32_t i = 0; i < count; i++) {
        f.pos = dir_at + uint64_t(i) * archive_entry_size;
        const bool past_end = f.pos >= size;
        f.read(e, archive_entry_size);
        if (!same_name(e + entry_name_at, name)) {
            if (past_end)  // all zeros, and so is every entry after it: none matches
                return false;
            continue;
        }
        uint32_t stored = u16(e + entry_stored_at), unpacked = u16(e + entry_unpacked_at);
        // where reading the whole directory at once would have left off
        const uint64_t dir_bytes = uint64_t(count) * archive_entry_size;
        f.pos = dir_at + (dir_at >= size ? 0 : std::min<uint64_t>(size - dir_at, dir_bytes));
        f.seek(u32(e + entry_offset_at));
        if (!unpacked) {
            out.resize(stored);
            f.read(out.data(), stored);
        } else {
            thread_local Bytes in;  // kept between calls: a fuzz run makes many
            in.resize(stored);
            f.read(in.data(), stored);
            out.assign(unpacked, 0);
            lzss(in.data(), stored, out.data(), out.size());
        }
        return true;
    }
    return false;
}

// Offset of the body of message index inside a block, or -1. Every record
// up to the wanted one must lie inside the block; the body need not hold a
// zero byte (its text runs on).
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
            return long(pos + 2);
        pos += 2 + len;
    }
    return -1;
}

// The record offsets of an item table; false when a record does not lie
// wholly inside the block.
inline bool items(const uint8_t *b, size_t size, std::vector<size_t> &out)
{
    out.clear();
    if (size < 2)
        return false;
    size_t count = u16(b), pos = 2;
    for (size_t i = 0; i < count; i++) {
        if (pos + item_record_header > size)
            return false;
        size_t len = b[pos + item_text_length_at];
        if (pos + item_record_header + len > size)
            return false;
        out.push_back(pos);
        pos += item_record_header + len;
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
    Bytes out(archive_header_size, 0);
    memcpy(out.data(), archive_magic, 4);
    out[archive_count_at] = uint8_t(entries.size());
    out[archive_count_at + 1] = uint8_t(entries.size() >> 8);
    out[archive_directory_at] = archive_header_size;
    uint32_t offset = uint32_t(archive_header_size + archive_entry_size * entries.size());
    for (const Entry &e : entries) {
        uint8_t rec[archive_entry_size] = {uint8_t(offset), uint8_t(offset >> 8), uint8_t(offset >> 16),
                                           uint8_t(offset >> 24), uint8_t(e.stored.size()),
                                           uint8_t(e.stored.size() >> 8), uint8_t(e.unpacked),
                                           uint8_t(e.unpacked >> 8)};
        for (size_t k = 0; k < archive_name_size && e.name[k]; k++)
            rec[entry_name_at + k] = uint8_t(e.name[k]);
        out.insert(out.end(), rec, rec + archive_entry_size);
        offset += uint32_t(e.stored.size());
    }
    for (const Entry &e : entries)
        out.insert(out.end(), e.stored.begin(), e.stored.end());
    return out;
}

}  // namespace ref
