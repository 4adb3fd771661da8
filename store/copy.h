// Moving a whole store to another (SQLite to PostgreSQL and back), checked
// by comparing every table afterwards.
#pragma once

#include "store/store.h"

#include <string>
#include <vector>

namespace store {

struct CopyResult {
    std::vector<std::pair<std::string, int64_t>> rows;  // per table: rows copied (and found equal)
};

// Copies every table of `from` into `to`, which must hold no results yet,
// in one transaction; then reads both back and compares them row by row.
// The tables and their columns are the stores' own (the catalog), so the
// results and a collecting server's studies, logins and rows all move.
// Left out: the calibrations, which the next reader makes again, and the
// marks of unread collected sessions (the copy marks every one of them).
// Throws Error when `to` is not empty or the copies differ.
CopyResult copy_store(Store &from, Store &to);

// A table's rows, each as one line of text (its columns in name order),
// sorted: what the check compares (NULL and the empty text told apart).
std::vector<std::string> table_rows(Store &s, const std::string &table);

}  // namespace store
