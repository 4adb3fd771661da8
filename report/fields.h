// Checks and conversions of single text fields, shared by the readers.
#pragma once

#include "host/utf8.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace report {

// A decimal number without sign or spaces; false when empty, not digits, or too large.
bool parse_int(std::string_view s, int64_t &out);
using host::is_lower_hex;  // host/utf8.h
// YYYY-MM-DDThh:mm:ss
bool is_local_time(std::string_view s);
// Printable ASCII 0x21..0x7E, 1 to 32 characters: the runner's /P:ID rule.
bool is_participant_id(std::string_view s);

using host::invalid_utf8_at;  // well-formed UTF-8 (host/utf8.h)

std::string hex32(uint32_t v);
std::string hex64(uint64_t v);

}  // namespace report
