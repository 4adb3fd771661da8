#include "tools/wdl/source_reader.h"

#include "host/codepages.h"
#include "host/error.h"
#include "tools/wdl/json_lines.h"
#include "tools/wdl/picture_files.h"

#include <nlohmann/json.hpp>

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <memory>

namespace wdl {

using namespace host;  // the tools' shared library

namespace {

using json = nlohmann::json;

bool is_dir(const std::string &p)
{
    struct stat st;
    return stat(p.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string read_text(const std::string &path)
{
    std::vector<uint8_t> bytes = read_file(path);
    std::string s(bytes.begin(), bytes.end());
    if (s.compare(0, 3, "\xEF\xBB\xBF") == 0)
        s.erase(0, 3);  // the mark some editors put first
    return s;
}

int popcount9(uint16_t m)
{
    int n = 0;
    for (int c = 0; c < 9; c++)
        n += (m >> c) & 1;
    return n;
}

class Reader {
public:
    Reader(const TextOptions &options, Diagnostics &found) : options_(options), found_(found) {}
    SourceRead run(const std::string &folder_or_manifest);

private:
    const TextOptions &options_;
    Diagnostics &found_;
    std::string dir_;
    std::shared_ptr<const std::string> text_;  // the manifest
    JsonLines lines_;
    SourceRead out_;

    Place at(const std::string &pointer) const
    {
        auto it = lines_.start.find(pointer);
        return it == lines_.start.end() ? Place{lines_.at(pointer), 0} : place_at(*text_, it->second);
    }
    void fail(const std::string &pointer, const std::string &what)
    {
        const Place p = at(pointer);
        found_.error(out_.map.manifest, p.line, p.column, what);
    }
    bool whole_number(const json &v, const std::string &ptr, const std::string &what, int lo, int hi, int &value);
    bool path_value(const json &doc, const char *key, std::string &path);
    bool parse_item(const json &it, size_t index, Item &item);
    void parse_admin(const json &block);
    // The file's text; false (and an error) when it cannot be read, which
    // leaves `resource` out of the archive's checks.
    bool read(const std::string &path, const char *resource, std::string &text);
    void load_font(const std::string &path);
    void load_instruction(const std::string &path);
    void load_messages(const std::string &path);
    void load_pictures(const std::string &folder);
};

bool Reader::whole_number(const json &v, const std::string &ptr, const std::string &what, int lo, int hi, int &value)
{
    if (!v.is_number_integer()) {
        fail(ptr, what + " must be a whole number from " + std::to_string(lo) + " to " + std::to_string(hi));
        return false;
    }
    const bool too_big = v.is_number_unsigned() && v.get<uint64_t>() > uint64_t(hi);
    if (too_big || v.get<int64_t>() < lo || v.get<int64_t>() > hi) {
        fail(ptr, what + " is " + v.dump() + "; it must be from " + std::to_string(lo) + " to " + std::to_string(hi));
        return false;
    }
    value = int(v.get<int64_t>());
    return true;
}

bool Reader::path_value(const json &doc, const char *key, std::string &path)
{
    const json &v = doc[key];
    if (!v.is_string() || v.get<std::string>().empty()) {
        fail(std::string("/") + key, std::string("\"") + key + "\" must be a file or folder name in quotes");
        return false;
    }
    path = join_path(dir_, v.get<std::string>());
    return true;
}

// The "administration" block: every value checked here, the record once
// more by the runner's own parser (a fault here would be the tool's).
void Reader::parse_admin(const json &block)
{
    const std::string base = "/administration";
    if (!block.is_object()) {
        fail(base, "\"administration\" must be an object {\"ask_id\": \"required\", ...}");
        return;
    }
    static const std::set<std::string> known = {"ask_id", "id_max_length", "id_letters", "id_digits", "id_marks",
                                                "offer_resume", "test_minutes", "item_seconds", "show_remaining_time"};
    bool ok = true;
    for (auto kv = block.begin(); kv != block.end(); ++kv)
        if (!known.count(kv.key())) {
            fail(base + "/" + kv.key(), "unknown key \"" + kv.key() +
                                            "\" in \"administration\" (known: ask_id, id_max_length, id_letters, "
                                            "id_digits, id_marks, offer_resume, test_minutes, item_seconds, "
                                            "show_remaining_time)");
            ok = false;
        }
    AdminSettings &s = out_.test.admin;
    s = AdminSettings{};
    s.id_length = admin_id_longest;
    s.id_classes = admin_letters | admin_digits;
    const auto flag = [&](const char *key, uint8_t bit, uint8_t &into) {
        if (!block.contains(key))
            return;
        if (!block[key].is_boolean()) {
            fail(base + "/" + key, std::string("\"") + key + "\" must be true or false");
            ok = false;
        } else {
            into = uint8_t(block[key].get<bool>() ? into | bit : into & ~bit);
        }
    };
    const auto number = [&](const char *key, int lo, int hi, uint16_t &into) {
        int v = 0;
        if (!block.contains(key))
            return;
        if (whole_number(block[key], base + "/" + key, std::string("\"") + key + "\"", lo, hi, v))
            into = uint16_t(v);
        else
            ok = false;
    };
    if (block.contains("ask_id")) {
        const json &v = block["ask_id"];
        const std::string a = v.is_string() ? v.get<std::string>() : "";
        if (a == "no" || a == "yes" || a == "required") {
            s.ask_id = uint8_t(a == "no" ? admin_ask_no : a == "yes" ? admin_ask_yes : admin_ask_required);
        } else {
            fail(base + "/ask_id", "\"ask_id\" must be \"no\", \"yes\" or \"required\"");
            ok = false;
        }
    }
    uint16_t length = s.id_length;
    number("id_max_length", 1, admin_id_longest, length);
    s.id_length = uint8_t(length);
    flag("id_letters", admin_letters, s.id_classes);
    flag("id_digits", admin_digits, s.id_classes);
    if (block.contains("id_marks")) {
        const json &v = block["id_marks"];
        const std::string m = v.is_string() ? v.get<std::string>() : std::string(1, '\0');
        bool good = m.size() <= admin_marks_size;
        for (char c : m)
            good = good && c && std::string(admin_marks).find(c) != std::string::npos;
        if (good) {
            std::copy(m.begin(), m.end(), s.id_marks);
        } else {
            fail(base + "/id_marks", std::string("\"id_marks\" must be at most 8 of the marks ") + admin_marks +
                                         " (typed without Shift, the same on every keyboard layout)");
            ok = false;
        }
    }
    flag("offer_resume", 1, s.offer_resume);
    flag("show_remaining_time", 1, s.show_time);
    number("test_minutes", 1, admin_test_minutes_max, s.test_minutes);
    number("item_seconds", 1, admin_item_seconds_max, s.item_seconds);
    if (!ok)
        return;
    AdminSettings parsed;
    const std::vector<uint8_t> bytes = encode_admin(s);
    const int fault = settings_parse(bytes.data(), uint32_t(bytes.size()), &parsed);
    if (fault != settings_ok) {
        fail(base, "\"administration\": " + admin_fault(fault));
        return;
    }
    out_.test.has_admin = true;
}

std::string item_label(size_t index, const json &item)
{
    std::string s = "item " + std::to_string(index + 1);
    if (item.is_object() && item.contains("name") && item["name"].is_string())
        s += " (" + item["name"].get<std::string>() + ")";
    return s;
}

// False when the item cannot take its place in the item table; every
// problem is reported either way.
bool Reader::parse_item(const json &it, size_t index, Item &item)
{
    const std::string base = "/items/" + std::to_string(index);
    const std::string label = item_label(index, it);
    if (!it.is_object()) {
        fail(base, label + " must be an object {\"name\": ..., \"answer\": ..., ...}");
        return false;
    }
    static const std::set<std::string> known = {"name", "answer", "cells", "mask", "empty", "text"};
    for (auto kv = it.begin(); kv != it.end(); ++kv)
        if (!known.count(kv.key()))
            fail(base + "/" + kv.key(),
                 label + ": unknown key \"" + kv.key() + "\" (known: name, answer, cells or mask, empty, text)");
    bool ok = true;
    for (const char *k : {"name", "answer", "empty"})
        if (!it.contains(k)) {
            fail(base, label + ": \"" + k + "\" is missing");
            ok = false;
        }

    if (it.contains("name")) {
        const json &name = it["name"];
        if (!name.is_string()) {
            fail(base + "/name", label + ": \"name\" must be text in quotes");
            ok = false;
        } else {
            item.name = name.get<std::string>();
            size_t characters = 0, not_latin = std::string::npos;
            for (size_t i = 0; i < item.name.size(); i++) {
                const char c = item.name[i];
                characters += (uint8_t(c) & 0xC0) != 0x80;
                const bool latin = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                                   c == '_' || c == '-';
                if (!latin && not_latin == std::string::npos)
                    not_latin = i;
            }
            if (not_latin != std::string::npos) {
                char32_t c = uint8_t(item.name[not_latin]);
                decode_utf8(item.name, not_latin, c);
                fail(base + "/name", label + ": \"name\" may hold only Latin letters, digits, '_' and '-' (not " +
                                         describe_character(c) + "): it names the picture files and the archive's "
                                         "entries");
                ok = false;
            } else if (characters == 0 || characters > 7) {
                fail(base + "/name", label + ": \"name\" must have 1 to 7 characters (it has " +
                                         std::to_string(characters) + ")");
                ok = false;
            }
        }
    }

    const bool has_cells = it.contains("cells"), has_mask = it.contains("mask");
    if (has_cells == has_mask) {
        fail(base, label + ": give exactly one of \"cells\" (list of answer cells 1..9) or \"mask\" (0..511)");
        ok = false;
    } else if (has_cells) {
        const json &cells = it["cells"];
        if (!cells.is_array() || cells.empty()) {
            fail(base + "/cells", label + ": \"cells\" must be a list of the present answer cells, e.g. [1, 2, 3]");
            ok = false;
        } else {
            for (size_t k = 0; k < cells.size(); k++) {
                const std::string ptr = base + "/cells/" + std::to_string(k);
                int c = 0;
                if (!whole_number(cells[k], ptr, label + ": a cell", 1, 9, c)) {
                    ok = false;
                } else if (item.cells & (1u << (c - 1))) {
                    fail(ptr, label + ": cell " + std::to_string(c) + " is listed twice");
                    ok = false;
                }
                item.cells = uint16_t(item.cells | (c ? 1u << (c - 1) : 0u));
            }
        }
    } else {
        int mask = 0;
        ok = whole_number(it["mask"], base + "/mask", label + ": \"mask\"", 1, 511, mask) && ok;
        item.cells = uint16_t(mask);
    }
    if (it.contains("answer")) {
        if (!whole_number(it["answer"], base + "/answer", label + ": \"answer\"", 1, 9, item.answer)) {
            ok = false;
        } else if (item.cells && item.answer > popcount9(item.cells)) {
            fail(base + "/answer", label + ": \"answer\" is " + std::to_string(item.answer) + " but only " +
                                       std::to_string(popcount9(item.cells)) + " answer cells are present");
            ok = false;
        }
    }
    if (it.contains("empty"))
        ok = whole_number(it["empty"], base + "/empty", label + ": \"empty\"", 1, 9, item.empty) && ok;
    if (it.contains("text")) {
        const json &text = it["text"];
        if (!text.is_string()) {
            fail(base + "/text", label + ": \"text\" must be text in quotes");
        } else {
            const auto start = lines_.start.find(base + "/text");
            const PlaceOf places = start == lines_.start.end() ? places_in("", lines_.at(base + "/text"), 0, false)
                                                               : string_places(text_, start->second);
            item.text = convert_text(text.get<std::string>(), out_.map.manifest, places, options_, found_);
            if (item.text.size() > item_text_max) {
                fail(base + "/text", label + ": the text has " + std::to_string(item.text.size()) +
                                         " characters; an item text holds at most 254");
                ok = false;
            }
        }
    }
    return ok;
}

void Reader::load_font(const std::string &path)
{
    out_.map.font = path;
    try {
        if (path.size() > 4 && lower(path.substr(path.size() - 4)) == ".bin") {
            std::vector<uint8_t> raw = read_file(path);
            if (raw.size() != 2048)
                throw Error(path + ": a raw font must be exactly 2,048 bytes (256 glyphs of 8 rows); this one has " +
                            std::to_string(raw.size()));
            std::copy(raw.begin(), raw.end(), out_.test.font.begin());
        } else {
            out_.test.font = parse_glyph_text(read_text(path), path);
        }
    } catch (const Error &e) {
        found_.error_from(e, path);
        out_.map.failed.insert("dos8x8ru");
    }
}

bool Reader::read(const std::string &path, const char *resource, std::string &text)
{
    try {
        text = read_text(path);
        return true;
    } catch (const Error &e) {
        found_.error_from(e, path);
        out_.map.failed.insert(resource);
        return false;
    }
}

void Reader::load_instruction(const std::string &path)
{
    out_.map.instruction = path;
    out_.test.has_instruction = true;
    std::string text;
    if (!read(path, "testtext", text))
        return;
    std::string lf;
    for (size_t i = 0; i < text.size(); i++)
        if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n'))
            lf += text[i];
    out_.test.instruction = convert_text(lf, path, places_in(lf, 1, 1), options_, found_);
    if (out_.test.instruction.size() + 1 > 0xFFFF) {
        found_.error(path, 0, 0, "the instruction text is " + std::to_string(out_.test.instruction.size() + 1) +
                                     " bytes; an archive entry holds at most 65,535");
        out_.map.failed.insert("testtext");
    }
}

void Reader::load_messages(const std::string &path)
{
    out_.map.messages = path;
    std::string text;
    if (!read(path, "messages", text))
        return;
    size_t pos = 0;
    int line = 0;
    while (pos < text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string::npos)
            end = text.size();
        std::string l = text.substr(pos, end - pos);
        line++;
        if (!l.empty() && l.back() == '\r')
            l.pop_back();
        // the escapes are ASCII: converting first keeps the columns of the line as written
        out_.test.messages.push_back(unescape_message(convert_text(l, path, places_in(l, line, 1), options_, found_)));
        if (out_.test.messages.back().size() + 1 > 0xFFFF)
            found_.error(path, line, 0, "the message is too long");
        pos = end + 1;
    }
    if (encode_messages(out_.test.messages).size() > 0xFFFF) {
        found_.error(path, 0, 0, "the messages take " + std::to_string(encode_messages(out_.test.messages).size()) +
                                     " bytes; an archive entry holds at most 65,535");
        out_.map.failed.insert("messages");
    }
}

void Reader::load_pictures(const std::string &folder)
{
    const PictureFolder files(folder);
    for (size_t i = 0; i < out_.test.items.size(); i++) {
        if (out_.map.broken_items.count(i))
            continue;
        for (char which : {'0', '1'}) {
            const std::string res = picture_name(out_.test.items[i].name, which);
            std::string several;
            const std::string file = files.find(res + ".png", several);
            out_.map.pictures[lower(res)] = file;
            Picture p;
            if (!several.empty())
                found_.error(file, 0, 0, "several files are " + res + ".png in some case of letters (" + several +
                                             "); keep one");
            else if (read_item_picture(file, p, found_))
                out_.test.pictures[res] = std::move(p);
            if (!out_.test.pictures.count(res))
                out_.map.failed.insert(lower(res));
        }
    }
}

SourceRead Reader::run(const std::string &folder_or_manifest)
{
    std::string &manifest = out_.map.manifest;
    manifest = folder_or_manifest;
    if (is_dir(folder_or_manifest)) {
        dir_ = folder_or_manifest;
        manifest = join_path(dir_, "test.json");
    } else {
        const size_t slash = manifest.rfind('/');
        dir_ = slash == std::string::npos ? "." : manifest.substr(0, slash + 1);
    }
    try {
        text_ = std::make_shared<const std::string>(read_text(manifest));
    } catch (const Error &e) {
        found_.error_from(e, manifest);
        return std::move(out_);
    }
    json doc;
    try {
        doc = json::parse(*text_, nullptr, true, true);
    } catch (const json::parse_error &e) {
        const Place p = place_at(*text_, e.byte > 0 ? e.byte - 1 : 0);
        std::string why = e.what();
        const size_t colon = why.find(": ");
        if (colon != std::string::npos)
            why = why.substr(colon + 2);
        found_.error(manifest, p.line, p.column, "the manifest is not valid JSON: " + why);
        return std::move(out_);
    }
    lines_ = json_lines(*text_);
    if (!lines_.duplicate_key.empty()) {
        found_.error(manifest, lines_.duplicate_line, 0,
                     "key \"" + lines_.duplicate_key.substr(lines_.duplicate_key.rfind('/') + 1) + "\" appears twice");
        return std::move(out_);
    }
    if (!doc.is_object()) {
        fail("", "the manifest must be one JSON object {\"font\": ..., \"messages\": ..., \"items\": [...]}");
        return std::move(out_);
    }
    static const std::set<std::string> known = {"font", "instruction", "messages", "pictures", "administration", "items"};
    for (auto kv = doc.begin(); kv != doc.end(); ++kv)
        if (!known.count(kv.key()))
            fail("/" + kv.key(), "unknown key \"" + kv.key() +
                                     "\" (known: font, instruction, messages, pictures, administration, items)");
    if (doc.contains("administration"))
        parse_admin(doc["administration"]);
    for (const char *k : {"font", "messages", "items"})
        if (!doc.contains(k))
            fail("", std::string("\"") + k + "\" is missing");

    std::string path;
    if (doc.contains("font") && path_value(doc, "font", path))
        load_font(path);
    else
        out_.map.failed.insert("dos8x8ru");
    if (doc.contains("instruction")) {
        if (path_value(doc, "instruction", path))
            load_instruction(path);
        else
            out_.map.failed.insert("testtext");
    }
    if (doc.contains("messages") && path_value(doc, "messages", path))
        load_messages(path);
    else
        out_.map.failed.insert("messages");
    std::string pictures = join_path(dir_, "pictures");
    if (doc.contains("pictures"))
        path_value(doc, "pictures", pictures);

    if (!doc.contains("items"))
        return std::move(out_);
    const json &items = doc["items"];
    out_.map.item_list = at("/items");
    if (!items.is_array() || items.empty()) {
        fail("/items", "\"items\" must be a list with at least one item");
        return std::move(out_);
    }
    if (items.size() > 0xFFFF) {
        fail("/items", "at most 65,535 items");
        return std::move(out_);
    }
    std::map<std::string, size_t> seen;
    for (size_t i = 0; i < items.size(); i++) {
        const std::string base = "/items/" + std::to_string(i);
        Item item;
        bool ok = parse_item(items[i], i, item);
        if (ok) {
            auto dup = seen.find(lower(item.name));
            if (dup != seen.end()) {
                fail(base + "/name", "item " + std::to_string(i + 1) + ": the name \"" + item.name +
                                         "\" is already used by item " + std::to_string(dup->second + 1) +
                                         " (names count the same in upper and lower case)");
                ok = false;
            } else {
                seen[lower(item.name)] = i;
            }
        }
        if (!ok) {
            // a stand-in that keeps the numbering; '~' cannot start a real name
            char name[8];
            std::snprintf(name, sizeof name, "~%u", unsigned(i % 100000));
            item = Item();
            item.name = name;
            item.answer = item.cells = item.empty = 1;
            out_.map.broken_items.insert(i);
        }
        out_.test.items.push_back(item);
        out_.map.items_at.push_back(at(base));
        out_.map.texts_at.push_back(at(items[i].is_object() && items[i].contains("text") ? base + "/text" : base));
    }
    load_pictures(pictures);
    const size_t table = encode_testinfo(out_.test.items).size();
    if (table > 0xFFFF) {
        fail("/items", "the item table would be " + std::to_string(table) +
                           " bytes; an archive entry holds at most 65,535 (shorten the texts or use fewer items)");
        return std::move(out_);
    }
    out_.usable = true;
    return std::move(out_);
}

}  // namespace

SourceRead read_source(const std::string &folder_or_manifest, const TextOptions &options, Diagnostics &found)
{
    return Reader(options, found).run(folder_or_manifest);
}

bool is_source_path(const std::string &path)
{
    return is_dir(path) || (path.size() > 5 && lower(path.substr(path.size() - 5)) == ".json");
}

Test load_source(const std::string &folder_or_manifest)
{
    Diagnostics found;
    SourceRead read = read_source(folder_or_manifest, TextOptions(), found);
    std::string errors;
    for (const Diagnostic &d : found.all())
        if (d.severity == Severity::error)
            errors += (errors.empty() ? "" : "\n") + format(d);
    if (!errors.empty())
        throw Error(errors);
    return std::move(read.test);
}

}  // namespace wdl
