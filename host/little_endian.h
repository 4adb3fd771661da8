// Little-endian 16- and 32-bit fields, the byte order of the archive, its
// resources and the BMP headers of its pictures.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace host {

inline uint32_t get16(const uint8_t *p) { return uint32_t(p[0]) | (uint32_t(p[1]) << 8); }
inline uint32_t get32(const uint8_t *p) { return get16(p) | (get16(p + 2) << 16); }
// The caller has checked that bytes at..at+1 exist.
inline uint32_t get16(const std::vector<uint8_t> &b, size_t at) { return get16(&b[at]); }

// Overwrites bytes that already exist.
inline void put16(std::vector<uint8_t> &b, size_t at, uint32_t v)
{
    b[at] = uint8_t(v);
    b[at + 1] = uint8_t(v >> 8);
}

inline void put32(std::vector<uint8_t> &b, size_t at, uint32_t v)
{
    put16(b, at, v & 0xFFFF);
    put16(b, at + 2, v >> 16);
}

// Appends the low 16 bits of v.
inline void append16(std::vector<uint8_t> &b, uint32_t v)
{
    b.push_back(uint8_t(v));
    b.push_back(uint8_t(v >> 8));
}

}  // namespace host
