#include "host/archive_file.h"

#include "host/error.h"
#include "host/little_endian.h"
#include "host/lzss_encode.h"

#include "archive/archive.h"
#include "archive/lzss.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>

namespace host {

std::string maker_note() { return "wdl " MERIDOKA_VERSION; }

std::string read_maker_note(const std::vector<uint8_t> &bytes)
{
    const std::string prefix = "wdl ";
    const size_t dir = get32(&bytes[archive_directory_at]);
    std::string note;
    for (size_t i = archive_header_size; i < std::min(dir, bytes.size()); i++) {
        if (bytes[i] == 0)
            return note.compare(0, prefix.size(), prefix) == 0 ? note : "";
        if (bytes[i] < 0x20 || bytes[i] > 0x7E)
            break;
        note += char(bytes[i]);
    }
    return "";
}

std::vector<uint8_t> write_archive(const std::vector<Resource> &resources)
{
    if (resources.size() > 0xFFFF)
        throw Error("an archive holds at most 65,535 resources");
    const std::string note = maker_note();
    const size_t dir = archive_header_size + note.size() + 1;
    std::vector<uint8_t> out(dir + resources.size() * archive_entry_size, 0);
    std::memcpy(out.data(), archive_magic, 4);
    put16(out, archive_count_at, uint32_t(resources.size()));
    put32(out, archive_directory_at, uint32_t(dir));
    std::memcpy(&out[archive_header_size], note.data(), note.size());
    for (size_t i = 0; i < resources.size(); i++) {
        const Resource &r = resources[i];
        if (r.name.empty() || r.name.size() > archive_name_size)
            throw Error("resource name '" + r.name + "' must have 1 to 8 characters");
        if (r.data.size() > largest_entry)
            throw Error("resource " + r.name + " is " + std::to_string(r.data.size()) +
                        " bytes; an archive entry holds at most 65,535");
        std::vector<uint8_t> packed = lzss_encode(r.data);
        const bool pack = packed.size() < r.data.size();
        const std::vector<uint8_t> &stored = pack ? packed : r.data;
        const size_t entry = dir + i * archive_entry_size;
        put32(out, entry + entry_offset_at, uint32_t(out.size()));
        put16(out, entry + entry_stored_at, uint32_t(stored.size()));
        put16(out, entry + entry_unpacked_at, pack ? uint32_t(r.data.size()) : 0);
        std::memcpy(&out[entry + entry_name_at], r.name.data(), r.name.size());
        out.insert(out.end(), stored.begin(), stored.end());
    }
    return out;
}

std::vector<StoredEntry> read_archive(const std::vector<uint8_t> &bytes, const std::string &file)
{
    if (bytes.size() < archive_header_size || std::memcmp(bytes.data(), archive_magic, 4) != 0)
        throw Error(file + ": not a test archive (it does not start with \"WDLZ\")");
    const uint32_t count = get16(&bytes[archive_count_at]);
    const uint64_t dir = get32(&bytes[archive_directory_at]);
    if (dir + uint64_t(count) * archive_entry_size > bytes.size())
        throw Error(file + ": the directory (" + std::to_string(count) + " entries at offset " + std::to_string(dir) +
                    ") runs past the end of the file (" + std::to_string(bytes.size()) + " bytes)");
    std::vector<StoredEntry> entries(count);
    for (uint32_t i = 0; i < count; i++) {
        const uint8_t *e = &bytes[size_t(dir) + i * archive_entry_size];
        StoredEntry &s = entries[i];
        s.data_offset = get32(e + entry_offset_at);
        s.stored_size = uint16_t(get16(e + entry_stored_at));
        s.unpacked_size = uint16_t(get16(e + entry_unpacked_at));
        std::memcpy(s.raw_name, e + entry_name_at, archive_name_size);
        for (int k = 0; k < archive_name_size && e[entry_name_at + k]; k++)
            s.name += char(e[entry_name_at + k]);
        s.in_file = uint64_t(s.data_offset) + s.stored_size <= bytes.size();
        // The stored bytes are read in place; only an entry that runs past
        // the end of the file gets a copy, padded with the zeros a short
        // read leaves.
        std::vector<uint8_t> padded;
        const uint8_t *stored = s.stored_size && s.in_file ? &bytes[s.data_offset] : nullptr;
        if (s.stored_size && !s.in_file) {
            padded.assign(s.stored_size, 0);
            if (s.data_offset < bytes.size())
                std::memcpy(padded.data(), &bytes[s.data_offset], bytes.size() - s.data_offset);
            stored = padded.data();
        }
        if (s.unpacked_size == 0) {
            s.data = padded.empty() ? std::vector<uint8_t>(stored, stored + s.stored_size) : std::move(padded);
            s.produced = s.stored_size;
        } else {
            s.data.assign(s.unpacked_size, 0);  // what the stream does not yield stays zero
            s.produced = lzss_unpack(stored, s.data.data(), s.stored_size, s.unpacked_size);
        }
    }
    return entries;
}

const StoredEntry *find_entry(const std::vector<StoredEntry> &entries, const std::string &name)
{
    for (const StoredEntry &e : entries)
        if (res_name_cmp(reinterpret_cast<const char *>(e.raw_name), name.c_str(), archive_name_size) == 0)
            return &e;
    return nullptr;
}

std::string lower(std::string s)
{
    for (char &c : s)
        if (c >= 'A' && c <= 'Z')
            c = char(c + 32);
    return s;
}

std::string text_until_zero(const std::vector<uint8_t> &b, size_t from, size_t end)
{
    std::string s;
    for (size_t i = from; i < end && b[i]; i++)
        s += char(b[i]);
    return s;
}

std::vector<uint8_t> read_file(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw Error(path + ": cannot open: " + std::strerror(errno));
    std::vector<uint8_t> data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad())
        throw Error(path + ": cannot read");
    return data;
}

void write_file_atomic(const std::string &path, const std::vector<uint8_t> &bytes)
{
    std::string temp = path + ".XXXXXX";
    int fd = mkstemp(temp.data());
    if (fd < 0)
        throw Error(path + ": cannot create a file there: " + std::strerror(errno));
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n <= 0) {
            const int err = errno;
            ::close(fd);
            ::unlink(temp.c_str());
            throw Error(path + ": cannot write: " + std::strerror(err));
        }
        done += size_t(n);
    }
    fchmod(fd, 0644);
    if (::close(fd) != 0 || std::rename(temp.c_str(), path.c_str()) != 0) {
        const int err = errno;
        ::unlink(temp.c_str());
        throw Error(path + ": cannot write: " + std::strerror(err));
    }
}

void make_dir(const std::string &path)
{
    if (mkdir(path.c_str(), 0755) != 0 && errno != EEXIST)
        throw Error(path + ": cannot create the folder: " + std::strerror(errno));
}

std::string join_path(const std::string &dir, const std::string &rel)
{
    if (rel.empty() || rel[0] == '/' || dir.empty())
        return rel;
    return dir.back() == '/' ? dir + rel : dir + "/" + rel;
}

}  // namespace host
