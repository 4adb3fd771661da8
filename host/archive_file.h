// The archive container on the tool's side: writing whole archives and
// reading their directories. Unpacking goes through the runner's own decoder.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace host {

struct Resource {
    std::string name;           // at most 8 characters
    std::vector<uint8_t> data;  // the resource's bytes, unpacked
};

// Header, the tool's name and version, directory, then the entries' bytes in
// the given order; each entry packed when that is smaller. Throws Error for a
// name longer than 8 characters or a resource over 65,535 bytes.
std::vector<uint8_t> write_archive(const std::vector<Resource> &resources);
// What write_archive notes between the header and the directory: "wdl 1.0.0".
std::string maker_note();
// The note of the archive tool that wrote `bytes`, or "" when there is none
// (an archive made by other means). The caller has read the header.
std::string read_maker_note(const std::vector<uint8_t> &bytes);

struct StoredEntry {
    std::string name;         // up to the first zero byte of the name field
    uint8_t raw_name[8] = {};
    uint32_t data_offset = 0;
    uint16_t stored_size = 0;
    uint16_t unpacked_size = 0;  // 0: stored plain
    bool in_file = true;         // the stored bytes lie inside the file
    uint32_t produced = 0;       // bytes the packed stream really yields
    std::vector<uint8_t> data;   // unpacked as the runner unpacks it
};

// Throws Error (naming `file`) when the bytes are not an archive or the
// directory runs past the end of the file.
std::vector<StoredEntry> read_archive(const std::vector<uint8_t> &bytes, const std::string &file);

// The first entry the runner would find under `name`, or null.
const StoredEntry *find_entry(const std::vector<StoredEntry> &entries, const std::string &name);

// ASCII letters folded to lower case, other bytes (CP866 letters) kept: how
// the runner matches resource names.
std::string lower(std::string s);

// The bytes from `from` up to a zero byte or `end`: texts and names inside
// resources. The caller has checked that `end` lies inside b.
std::string text_until_zero(const std::vector<uint8_t> &b, size_t from, size_t end);

std::vector<uint8_t> read_file(const std::string &path);
// Writes through a temporary file in the same folder and renames it, so a
// failed write never leaves a partial file behind.
void write_file_atomic(const std::string &path, const std::vector<uint8_t> &bytes);
// Creates the folder unless it exists; its parent must.
void make_dir(const std::string &path);
// A path relative to a folder (an absolute path stays as it is).
std::string join_path(const std::string &dir, const std::string &rel);

}  // namespace host
