// A journal file as `meridoka-report push` sends it, cut into its rows:
// every whole CSV row after the header (a quoted line break stays inside
// its row), numbered per session from 1 as the page numbers the rows it
// sends, so that a session sent both ways is kept once. A cut last row (no
// line end) is not a row.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace server {

struct PushedRow {
    int64_t line = 0;     // the line it starts on, from 1 (the header is line 1)
    std::string session;  // the row's first field (checked later)
    int64_t number = 0;   // the row's number within its session, from 1
    std::string body;     // the row's bytes, its line end included
};

std::vector<PushedRow> split_pushed_journal(const std::string &file);

}  // namespace server
