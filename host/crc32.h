// CRC-32 of a whole byte string, on the runner's own code (base/crc32.h):
// the checksum by which a journal names its archive.
#pragma once

#include <cstdint>
#include <string_view>

#include "base/crc32.h"

namespace host {

inline uint32_t crc32_of(std::string_view bytes)
{
    uint32_t crc = 0;
    // the runner's function takes at most 4 GB a call
    for (size_t pos = 0; pos < bytes.size(); pos += size_t(1) << 30) {
        const size_t n = bytes.size() - pos < (size_t(1) << 30) ? bytes.size() - pos : size_t(1) << 30;
        crc = crc32_update(crc, bytes.data() + pos, uint32_t(n));
    }
    return crc;
}

}  // namespace host
