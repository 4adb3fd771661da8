// The tool's commands as functions, so that tests can call them directly.
// Each throws Error with a message for the user on failure.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "host/archive_file.h"
#include "host/diagnostics.h"
#include "tools/wdl/test_source.h"
#include "host/text_convert.h"

namespace wdl {

using namespace host;  // the tools' shared library

// A source folder read with every problem collected, made into an archive
// and checked like `check`, each finding pointed at the file (and line and
// column) to change. The bytes are the archive; they are meant to be
// written only when `found` holds no error.
std::vector<uint8_t> check_source(const std::string &source, const TextOptions &options, Diagnostics &found);
// The archive of a source; throws Error listing every error, prints the
// warnings.
std::vector<uint8_t> build_archive(const std::string &source, std::ostream &warnings);
// Prints every finding to `report` and writes the archive when there is no
// error; otherwise throws Error and leaves any existing archive alone.
void build_command(const std::string &source, const std::string &archive, std::ostream &report,
                   const TextOptions &options = TextOptions());

void list_command(const std::string &archive, std::ostream &out);

// The test held by an archive, decoded from its resources.
Test test_from_archive(const std::vector<StoredEntry> &entries, const std::string &file);
// Everything (no names), or only the named resources.
void extract_command(const std::string &archive, const std::vector<std::string> &names, const std::string &dir,
                     std::ostream &out);

struct Finding {
    bool error;
    std::string text;
    std::string resource;  // the resource it is about, or "" for the archive as a whole
    int index = -1;        // the item or message (from 0) it is about, or -1
    int line = 0;          // the line of a text (from 1) it is about, or 0
};
std::vector<Finding> check_archive(const std::vector<uint8_t> &bytes, const std::string &file);
// Checks an archive, or a source folder (a folder or a .json manifest);
// prints the findings; true when there is no error (and, if strict, no
// warning).
bool check_command(const std::string &path, bool strict, const TextOptions &options, std::ostream &out);

// init: a new test source in `folder` (created; it must be empty or new)
// that builds and checks clean as it stands, texts in `language` ("ru" or
// "en").
void init_command(const std::string &folder, const std::string &language, std::ostream &out);

// The screen the runner shows: item `item` (1-based) waiting for its answer,
// or the instruction screen when item is 0.
std::vector<uint8_t> preview_screen(const std::vector<uint8_t> &archive, int item);
void preview_command(const std::string &archive, int item, const std::string &png);

}  // namespace wdl
