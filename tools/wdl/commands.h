// The tool's commands as functions, so that tests can call them directly.
// Each throws Error with a message for the user on failure.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "tools/wdl/archive_file.h"
#include "tools/wdl/test_source.h"

namespace wdl {

// build: the archive bytes of a source folder (checked like `check`).
std::vector<uint8_t> build_archive(const std::string &source, std::ostream &warnings);
void build_command(const std::string &source, const std::string &archive, std::ostream &warnings);

void list_command(const std::string &archive, std::ostream &out);

// The test held by an archive, decoded from its resources.
Test test_from_archive(const std::vector<StoredEntry> &entries, const std::string &file);
// Everything (no names), or only the named resources.
void extract_command(const std::string &archive, const std::vector<std::string> &names, const std::string &dir,
                     std::ostream &out);

struct Finding {
    bool error;
    std::string text;
};
std::vector<Finding> check_archive(const std::vector<uint8_t> &bytes, const std::string &file);
// Prints the findings; true when there is no error (and, if strict, no warning).
bool check_command(const std::string &archive, bool strict, std::ostream &out);

// The screen the runner shows: item `item` (1-based) waiting for its answer,
// or the instruction screen when item is 0.
std::vector<uint8_t> preview_screen(const std::vector<uint8_t> &archive, int item);
void preview_command(const std::string &archive, int item, const std::string &png);

}  // namespace wdl
