// Shared helpers for the unit tests: a scratch working directory per test,
// and writers for archives, tables, messages, fonts and pictures.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "archive/format.h"
#include "base/memory.h"
#include "headless/headless.h"

namespace support {

using Bytes = std::vector<uint8_t>;

// Runs each test in a fresh empty directory and leaves it afterwards.
class ScratchDir : public ::testing::Test {
protected:
    void SetUp() override
    {
        char tmpl[] = "/tmp/meridoka-test-XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        dir_ = tmpl;
        old_ = std::filesystem::current_path();
        std::filesystem::current_path(dir_);
        headless::reset();
    }
    void TearDown() override
    {
        std::filesystem::current_path(old_);
        std::filesystem::remove_all(dir_);
    }
    std::filesystem::path dir_, old_;
};

inline void put16(Bytes &b, unsigned v)
{
    b.push_back(uint8_t(v));
    b.push_back(uint8_t(v >> 8));
}

inline void put32(Bytes &b, uint32_t v)
{
    put16(b, v & 0xFFFF);
    put16(b, v >> 16);
}

inline Bytes text_bytes(const std::string &s) { return Bytes(s.begin(), s.end()); }

// A packed stream of literals only: valid for the decoder, no compression.
inline Bytes literal_stream(const Bytes &data)
{
    Bytes out;
    for (size_t i = 0; i < data.size(); i += 8) {
        size_t n = std::min<size_t>(8, data.size() - i);
        out.push_back(uint8_t((1u << n) - 1));
        out.insert(out.end(), data.begin() + long(i), data.begin() + long(i + n));
    }
    return out;
}

struct Entry {
    std::string name;       // up to 8 bytes are stored
    Bytes stored;           // the stored bytes
    uint16_t unpacked = 0;  // 0: stored plain
};

inline Entry plain(const std::string &name, const Bytes &data) { return {name, data, 0}; }

inline Entry packed(const std::string &name, const Bytes &data)
{
    return {name, literal_stream(data), uint16_t(data.size())};
}

// Header, directory right after it, then the data.
inline Bytes archive_bytes(const std::vector<Entry> &entries)
{
    Bytes out(archive_magic, archive_magic + 4);
    put16(out, unsigned(entries.size()));
    put16(out, 0);
    put32(out, archive_header_size);
    uint32_t offset = uint32_t(archive_header_size + archive_entry_size * entries.size());
    for (const Entry &e : entries) {
        put32(out, offset);
        put16(out, unsigned(e.stored.size()));
        put16(out, e.unpacked);
        for (size_t i = 0; i < archive_name_size; i++)
            out.push_back(i < e.name.size() ? uint8_t(e.name[i]) : 0);
        offset += uint32_t(e.stored.size());
    }
    for (const Entry &e : entries)
        out.insert(out.end(), e.stored.begin(), e.stored.end());
    return out;
}

inline void write_file(const std::string &path, const Bytes &bytes)
{
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char *>(bytes.data()), std::streamsize(bytes.size()));
}

inline Bytes read_file(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

inline void write_archive(const std::vector<Entry> &entries)
{
    write_file(archive_file_name, archive_bytes(entries));
}

// Copies a block of the given length into a vector.
inline Bytes block_bytes(const void *block, uint32_t length)
{
    const uint8_t *p = static_cast<const uint8_t *>(block);
    return Bytes(p, p + length);
}

struct Item {
    std::string name;
    uint8_t answer;
    uint16_t mask;  // option mask | empty cell << 12
    std::string text;
};

inline Bytes table_bytes(const std::vector<Item> &items)
{
    Bytes out;
    put16(out, unsigned(items.size()));
    for (const Item &it : items) {
        out.push_back(it.answer);
        out.push_back(uint8_t(it.text.size() + 1));
        put16(out, it.mask);
        for (size_t i = 0; i < item_text_at - item_name_at; i++)
            out.push_back(i < it.name.size() ? uint8_t(it.name[i]) : 0);
        out.insert(out.end(), it.text.begin(), it.text.end());
        out.push_back(0);
    }
    return out;
}

inline Bytes messages_bytes(const std::vector<std::string> &texts)
{
    Bytes out;
    put16(out, unsigned(texts.size()));
    for (const std::string &t : texts) {
        put16(out, unsigned(t.size() + 1));
        out.insert(out.end(), t.begin(), t.end());
        out.push_back(0);
    }
    return out;
}

// A one-bit picture as a complete BMP file image: white, black where
// black(x, y) says so.
template <class Black>
Bytes picture_bytes(unsigned width, unsigned height, Black black)
{
    unsigned stride = ((width + 7) / 8 + 3) & ~3u;
    Bytes out = {'B', 'M'};
    put32(out, bitmap_header_size + stride * height);
    put32(out, 0);
    put32(out, bitmap_header_size);
    put32(out, 40);
    put32(out, width);
    put32(out, height);
    put16(out, 1);
    put16(out, 1);
    for (int i = 0; i < 6; i++)
        put32(out, 0);
    put32(out, 0);
    put32(out, 0x00FFFFFF);
    for (unsigned i = 0; i < height; i++) {
        unsigned y = height - 1 - i;  // stored bottom row first
        Bytes row(stride, 0);
        for (unsigned x = 0; x < (width + 7) / 8 * 8; x++)
            if (x >= width || !black(x, y))
                row[x / 8] |= uint8_t(0x80 >> (x % 8));
        out.insert(out.end(), row.begin(), row.end());
    }
    return out;
}

// A font in which every glyph leaves ink: the top row is full and row r of
// glyph c holds c ^ r; 0xDB is solid.
inline Bytes font_bytes()
{
    Bytes f(font_size);
    for (int c = 0; c < font_glyphs; c++)
        for (int r = 0; r < font_glyph_size; r++)
            f[size_t(c * font_glyph_size + r)] = r == 0 ? 0xFF : uint8_t(c ^ r);
    for (int r = 0; r < font_glyph_size; r++)
        f[glyph_full_block * font_glyph_size + size_t(r)] = 0xFF;
    return f;
}

}  // namespace support
