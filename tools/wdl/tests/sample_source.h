// A small but complete test source folder written by the tests themselves,
// and helpers around temporary folders.
#pragma once

#include "tools/wdl/test_source.h"

#include <string>
#include <vector>

namespace wdl_test {

// A fresh empty folder under /tmp, removed with its contents by the destructor.
struct TempDir {
    std::string path;
    TempDir();
    ~TempDir();
    std::string operator/(const std::string &name) const { return path + "/" + name; }
};

// A font where every glyph differs, digits have ink and 0xDB is a full block.
wdl::FontBytes sample_font();
// A 352x190 picture with nine framed cells; the cells in `cells` (bit c for
// cell c) hold a pattern, different in each cell and for each seed.
wdl::Picture sample_picture(int seed, uint16_t cells = 0x1FF);

// Writes test.json, font.txt, messages.txt, instruction.txt and the
// pictures of `items` items (named T01, T02, ...) into dir.
void write_sample_source(const std::string &dir, int items = 5);
// wdl::build_archive with its warnings dropped.
std::vector<uint8_t> build(const std::string &source);

std::string read_text(const std::string &path);
void write_text(const std::string &path, const std::string &text);
// Replaces the first `from` in the file (a failed test when there is none).
void replace_in(const std::string &path, const std::string &from, const std::string &to);
bool file_exists(const std::string &path);
std::vector<std::string> files_in(const std::string &dir);

}  // namespace wdl_test
