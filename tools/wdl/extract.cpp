// wdl list / wdl extract: the archive's directory, and its resources back as
// a source folder that `wdl build` turns into the same archive.
#include "tools/wdl/commands.h"

#include "host/codepages.h"
#include "host/error.h"
#include "host/little_endian.h"
#include "archive/format.h"

#include <algorithm>
#include <cstdio>
#include <set>

namespace wdl {

using namespace host;  // the tools' shared library

namespace {

bool looks_like_picture(const std::vector<uint8_t> &d)
{
    if (d.size() < bitmap_header_size || d[0] != 'B' || d[1] != 'M')
        return false;
    const uint32_t w = get16(d, bitmap_width_at), h = get16(d, bitmap_height_at);
    return w > 0 && h > 0 && d.size() >= bitmap_header_size + size_t(mono_stride(w)) * h;
}

// A file name for any resource name: unsafe bytes as %XX.
std::string file_name(const std::string &name)
{
    std::string s;
    for (unsigned char c : name) {
        if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' || c == '-') {
            s += char(c);
        } else {
            char buf[8];
            std::snprintf(buf, sizeof buf, "%%%02X", c);
            s += buf;
        }
    }
    return s;
}

const StoredEntry &need(const std::vector<StoredEntry> &entries, const std::string &name, const std::string &file)
{
    const StoredEntry *e = find_entry(entries, name);
    if (!e)
        throw Error(file + ": the archive has no " + name);
    return *e;
}

}  // namespace

Test test_from_archive(const std::vector<StoredEntry> &entries, const std::string &file)
{
    Test test;
    test.items = decode_testinfo(need(entries, resource_items, file).data, file);
    test.messages = decode_messages(need(entries, resource_messages, file).data, file);

    const std::vector<uint8_t> &font = need(entries, resource_font, file).data;
    if (font.size() != font_size)
        throw Error(file + ": the font DOS8X8RU is " + std::to_string(font.size()) + " bytes, not 2,048");
    std::copy(font.begin(), font.end(), test.font.begin());

    if (const StoredEntry *t = find_entry(entries, resource_instruction)) {
        test.has_instruction = true;
        test.instruction = text_until_zero(t->data, 0, t->data.size());
    }
    if (const StoredEntry *a = find_entry(entries, resource_admin)) {
        const int fault = settings_parse(a->data.data(), uint32_t(a->data.size()), &test.admin);
        if (fault != settings_ok)
            throw Error(file + ": ADMINSET is damaged: " + admin_fault(fault) + " (run wdl check)");
        test.has_admin = true;
    }
    for (const Item &it : test.items)
        for (char which : {char(picture_problem_suffix), char(picture_answers_suffix)}) {
            const std::string res = it.name + which;
            if (const StoredEntry *p = find_entry(entries, res))
                test.pictures[res] = from_mono_bitmap(p->data, file + ": " + res);
        }
    return test;
}

void list_command(const std::string &archive, std::ostream &out)
{
    const std::vector<uint8_t> bytes = read_file(archive);
    const std::vector<StoredEntry> entries = read_archive(bytes, archive);
    const std::string maker = read_maker_note(bytes);
    out << archive << ": " << entries.size() << " entries, " << bytes.size() << " bytes"
        << (maker.empty() ? "" : ", written by " + maker) << "\n";
    char line[128];
    std::snprintf(line, sizeof line, "%-10s %8s %8s %8s %7s\n", "name", "offset", "stored", "unpacked", "ratio");
    out << line;
    uint64_t stored = 0, unpacked = 0;
    for (const StoredEntry &e : entries) {
        const uint32_t size = e.unpacked_size ? e.unpacked_size : e.stored_size;
        std::string ratio = e.unpacked_size == 0 ? "plain" : "";
        if (e.unpacked_size) {
            char r[16];
            std::snprintf(r, sizeof r, "%.1f%%", 100.0 * e.stored_size / e.unpacked_size);
            ratio = r;
        }
        std::snprintf(line, sizeof line, "%-10s %8u %8u %8u %7s\n", cp866_to_utf8(e.name).c_str(),
                      unsigned(e.data_offset), unsigned(e.stored_size), unsigned(size), ratio.c_str());
        out << line;
        stored += e.stored_size;
        unpacked += size;
    }
    std::snprintf(line, sizeof line, "%-10s %8s %8llu %8llu %6.1f%%\n", "total", "", (unsigned long long)stored,
                  (unsigned long long)unpacked, unpacked ? 100.0 * double(stored) / double(unpacked) : 100.0);
    out << line;
    if (const StoredEntry *a = find_entry(entries, resource_admin)) {
        AdminSettings s;
        const int fault = settings_parse(a->data.data(), uint32_t(a->data.size()), &s);
        out << "administration: " << (fault == settings_ok ? admin_summary(s) : "damaged, " + admin_fault(fault)) << "\n";
    }
}

void extract_command(const std::string &archive, const std::vector<std::string> &names, const std::string &dir,
                     std::ostream &out)
{
    const std::vector<uint8_t> bytes = read_file(archive);
    const std::vector<StoredEntry> entries = read_archive(bytes, archive);
    std::vector<const StoredEntry *> chosen;
    if (names.empty()) {
        for (const StoredEntry &e : entries)
            chosen.push_back(&e);
    } else {
        for (const std::string &n : names) {
            const StoredEntry *e = find_entry(entries, n);
            if (!e)
                throw Error(archive + ": the archive has no resource named " + n);
            chosen.push_back(e);
        }
    }
    make_dir(dir);
    make_dir(dir + "/raw");
    for (const StoredEntry *e : chosen)
        write_file_atomic(dir + "/raw/" + file_name(e->name) + ".bin", e->data);

    if (names.empty()) {
        const Test test = test_from_archive(entries, archive);
        write_source(dir, test);
        std::set<std::string> used = {lower(resource_items), lower(resource_messages), lower(resource_font),
                                      lower(resource_instruction)};
        for (const auto &p : test.pictures) {
            used.insert(lower(p.first));
        }
        for (const StoredEntry &e : entries) {
            if (!used.count(lower(e.name)))
                out << "note: " << cp866_to_utf8(e.name) << " is not used by the test; only raw/" << file_name(e.name)
                    << ".bin holds it\n";
        }
        out << "extracted " << entries.size() << " resources and the test's source to " << dir << "\n";
        return;
    }
    // single resources: their readable form beside the raw bytes
    for (const StoredEntry *e : chosen) {
        const std::string l = lower(e->name);
        if (l == lower(resource_font) && e->data.size() == font_size) {
            FontBytes f{};
            std::copy(e->data.begin(), e->data.end(), f.begin());
            const std::string text = write_glyph_text(f);
            write_file_atomic(dir + "/font.txt", std::vector<uint8_t>(text.begin(), text.end()));
        } else if (l == lower(resource_instruction)) {
            const std::string text = cp866_to_utf8(text_until_zero(e->data, 0, e->data.size()));
            write_file_atomic(dir + "/instruction.txt", std::vector<uint8_t>(text.begin(), text.end()));
        } else if (l == lower(resource_messages) || l == lower(resource_items)) {
            Test t = test_from_archive(entries, archive);
            std::string text;
            for (const std::string &m : t.messages)
                text += escape_message(cp866_to_utf8(m)) + "\n";
            if (l == lower(resource_messages))
                write_file_atomic(dir + "/messages.txt", std::vector<uint8_t>(text.begin(), text.end()));
            else
                write_source(dir, t);
        } else if (looks_like_picture(e->data)) {
            make_dir(dir + "/pictures");
            write_png(dir + "/pictures/" + file_name(e->name) + ".png", from_mono_bitmap(e->data, e->name));
        }
    }
    out << "extracted " << chosen.size() << " resources to " << dir << "\n";
}

}  // namespace wdl
