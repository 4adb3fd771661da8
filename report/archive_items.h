// A test archive (MERIDOKA.WDL) as the report needs it: its identity
// (CRC-32 and size, as the journals name it) and its item table.
#pragma once

#include "report/session.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace report {

bool looks_like_archive(std::string_view bytes);

// CRC-32 (IEEE 802.3, as zlib computes it) as 8 lower-case hex digits.
std::string crc32_hex(std::string_view bytes);

// Throws Error naming the file when the archive or its item table is damaged.
TestDefinition read_test_definition(std::string_view bytes, const std::string &file);

}  // namespace report
