// Reading a session journal (README, "Session journals") into a Session.
#pragma once

#include "report/session.h"

#include <string>
#include <string_view>
#include <vector>

namespace report {

// The journal's file names: S + 7 digits + .CSV (any case).
bool is_journal_name(std::string_view file_name);

// True when the bytes start like a journal: the optional byte-order mark,
// then the header row's first column names.
bool looks_like_journal(std::string_view bytes);

// Parses a whole journal. A cut last row (a crash mid-write) is dropped and
// reported in `warnings` with its line; anything else that is wrong throws
// Error naming the file and line, and nothing of the file is used.
Session parse_journal(std::string_view bytes, const std::string &file, std::vector<std::string> &warnings);

}  // namespace report
