#include "tools/wdl/test_source.h"

#include "tools/wdl/cp866.h"
#include "tools/wdl/error.h"
#include "tools/wdl/le_bytes.h"
#include "tools/wdl/json_lines.h"

#include <nlohmann/json.hpp>

#include <sys/stat.h>

#include <algorithm>
#include <fstream>
#include <set>

namespace wdl {

namespace {

using json = nlohmann::json;

bool is_dir(const std::string &p)
{
    struct stat st;
    return stat(p.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string join(const std::string &dir, const std::string &rel)
{
    if (rel.empty() || rel[0] == '/' || dir.empty())
        return rel;
    return dir.back() == '/' ? dir + rel : dir + "/" + rel;
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

// Errors about the manifest's contents, with the line of the value concerned.
struct Manifest {
    std::string file;
    JsonLines lines;
    [[noreturn]] void fail(const std::string &pointer, const std::string &what) const
    {
        throw Error(where(file, lines.at(pointer)) + what);
    }
};

std::string item_label(size_t index, const json &item)
{
    std::string s = "item " + std::to_string(index + 1);
    if (item.is_object() && item.contains("name") && item["name"].is_string())
        s += " (" + item["name"].get<std::string>() + ")";
    return s;
}

int whole_number(const Manifest &m, const json &v, const std::string &ptr, const std::string &what, int lo, int hi)
{
    if (!v.is_number_integer())
        m.fail(ptr, what + " must be a whole number from " + std::to_string(lo) + " to " + std::to_string(hi));
    const bool too_big = v.is_number_unsigned() && v.get<uint64_t>() > uint64_t(hi);
    if (too_big || v.get<int64_t>() < lo || v.get<int64_t>() > hi)
        m.fail(ptr, what + " is " + v.dump() + "; it must be from " + std::to_string(lo) + " to " +
                        std::to_string(hi));
    return int(v.get<int64_t>());
}

std::string path_value(const Manifest &m, const json &doc, const char *key)
{
    const json &v = doc[key];
    if (!v.is_string() || v.get<std::string>().empty())
        m.fail(std::string("/") + key, std::string("\"") + key + "\" must be a file or folder name in quotes");
    return v.get<std::string>();
}

Item parse_item(const Manifest &m, const json &it, size_t index)
{
    const std::string base = "/items/" + std::to_string(index);
    const std::string label = item_label(index, it);
    if (!it.is_object())
        m.fail(base, label + " must be an object {\"name\": ..., \"answer\": ..., ...}");
    static const std::set<std::string> known = {"name", "answer", "cells", "mask", "empty", "text"};
    for (auto kv = it.begin(); kv != it.end(); ++kv)
        if (!known.count(kv.key()))
            m.fail(base + "/" + kv.key(), label + ": unknown key \"" + kv.key() +
                                              "\" (known: name, answer, cells or mask, empty, text)");
    for (const char *k : {"name", "answer", "empty"})
        if (!it.contains(k))
            m.fail(base, label + ": \"" + k + "\" is missing");

    Item item;
    const json &name = it["name"];
    if (!name.is_string())
        m.fail(base + "/name", label + ": \"name\" must be text in quotes");
    item.name = name.get<std::string>();
    if (item.name.empty() || item.name.size() > 7)
        m.fail(base + "/name", label + ": \"name\" must have 1 to 7 characters");
    for (char c : item.name)
        if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' || c == '-'))
            m.fail(base + "/name", label + ": \"name\" may hold only Latin letters, digits, '_' and '-'");

    const bool has_cells = it.contains("cells"), has_mask = it.contains("mask");
    if (has_cells == has_mask)
        m.fail(base, label + ": give exactly one of \"cells\" (list of answer cells 1..9) or \"mask\" (0..511)");
    if (has_cells) {
        const json &cells = it["cells"];
        if (!cells.is_array() || cells.empty())
            m.fail(base + "/cells", label + ": \"cells\" must be a list of the present answer cells, e.g. [1, 2, 3]");
        for (size_t k = 0; k < cells.size(); k++) {
            const int c = whole_number(m, cells[k], base + "/cells/" + std::to_string(k), label + ": a cell", 1, 9);
            if (item.cells & (1u << (c - 1)))
                m.fail(base + "/cells/" + std::to_string(k), label + ": cell " + std::to_string(c) + " is listed twice");
            item.cells = uint16_t(item.cells | (1u << (c - 1)));
        }
    } else {
        item.cells = uint16_t(whole_number(m, it["mask"], base + "/mask", label + ": \"mask\"", 1, 511));
    }
    item.answer = whole_number(m, it["answer"], base + "/answer", label + ": \"answer\"", 1, 9);
    if (item.answer > popcount9(item.cells))
        m.fail(base + "/answer", label + ": \"answer\" is " + std::to_string(item.answer) + " but only " +
                                     std::to_string(popcount9(item.cells)) + " answer cells are present");
    item.empty = whole_number(m, it["empty"], base + "/empty", label + ": \"empty\"", 1, 9);
    if (it.contains("text")) {
        const json &text = it["text"];
        if (!text.is_string())
            m.fail(base + "/text", label + ": \"text\" must be text in quotes");
        item.text = utf8_to_cp866(text.get<std::string>(), m.file, m.lines.at(base + "/text"), false);
        if (item.text.size() > item_text_max)
            m.fail(base + "/text", label + ": the text has " + std::to_string(item.text.size()) +
                                       " characters; an item text holds at most 254");
    }
    return item;
}

std::vector<std::string> load_messages(const std::string &path)
{
    const std::string text = read_text(path);
    std::vector<std::string> out;
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
        std::string bytes = utf8_to_cp866(unescape_message(l), path, line, false);
        if (bytes.size() + 1 > largest_entry)
            throw Error(where(path, line) + "the message is too long");
        out.push_back(bytes);
        pos = end + 1;
    }
    return out;
}

std::string load_instruction(const std::string &path)
{
    std::string text = read_text(path);
    std::string lf;
    for (size_t i = 0; i < text.size(); i++)
        if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n'))
            lf += text[i];
    std::string bytes = utf8_to_cp866(lf, path, 1);
    if (bytes.size() + 1 > largest_entry)
        throw Error(path + ": the instruction text is " + std::to_string(bytes.size() + 1) +
                    " bytes; an archive entry holds at most 65,535");
    return bytes;
}

FontBytes load_font(const std::string &path)
{
    if (path.size() > 4 && lower(path.substr(path.size() - 4)) == ".bin") {
        std::vector<uint8_t> raw = read_file(path);
        if (raw.size() != font_size)
            throw Error(path + ": a raw font must be exactly 2,048 bytes (256 glyphs of 8 rows); this one has " +
                        std::to_string(raw.size()));
        FontBytes f{};
        std::copy(raw.begin(), raw.end(), f.begin());
        return f;
    }
    return parse_glyph_text(read_text(path), path);
}

}  // namespace

std::string picture_name(const std::string &item_name, char which)
{
    return item_name.substr(0, picture_base_size) + which;
}

std::string unescape_message(const std::string &line)
{
    std::string out;
    for (size_t i = 0; i < line.size(); i++) {
        if (line[i] == '\\' && i + 1 < line.size() && (line[i + 1] == 'n' || line[i + 1] == '\\')) {
            out += line[i + 1] == 'n' ? '\n' : '\\';
            i++;
        } else {
            out += line[i];
        }
    }
    return out;
}

std::string escape_message(const std::string &text)
{
    std::string out;
    for (size_t i = 0; i < text.size(); i++) {
        if (text[i] == '\n')
            out += "\\n";
        else if (text[i] == '\\' && i + 1 < text.size() && (text[i + 1] == 'n' || text[i + 1] == '\\'))
            out += "\\\\";
        else
            out += text[i];
    }
    return out;
}

Test load_source(const std::string &folder_or_manifest)
{
    std::string manifest_path = folder_or_manifest, dir;
    if (is_dir(folder_or_manifest)) {
        dir = folder_or_manifest;
        manifest_path = join(dir, "test.json");
    } else {
        const size_t slash = manifest_path.rfind('/');
        dir = slash == std::string::npos ? "." : manifest_path.substr(0, slash + 1);
    }
    Manifest m;
    m.file = manifest_path;
    const std::string text = read_text(manifest_path);
    json doc;
    try {
        doc = json::parse(text, nullptr, true, true);
    } catch (const json::parse_error &e) {
        int line = 1;
        for (size_t i = 0; i + 1 < e.byte && i < text.size(); i++)
            line += text[i] == '\n';
        std::string why = e.what();
        const size_t colon = why.find(": ");
        if (colon != std::string::npos)
            why = why.substr(colon + 2);
        throw Error(where(manifest_path, line) + "the manifest is not valid JSON: " + why);
    }
    m.lines = json_lines(text);
    if (!m.lines.duplicate_key.empty())
        throw Error(where(manifest_path, m.lines.duplicate_line) + "key \"" +
                    m.lines.duplicate_key.substr(m.lines.duplicate_key.rfind('/') + 1) + "\" appears twice");
    if (!doc.is_object())
        m.fail("", "the manifest must be one JSON object {\"font\": ..., \"messages\": ..., \"items\": [...]}");
    static const std::set<std::string> known = {"font", "instruction", "messages", "pictures", "items"};
    for (auto kv = doc.begin(); kv != doc.end(); ++kv)
        if (!known.count(kv.key()))
            m.fail("/" + kv.key(), "unknown key \"" + kv.key() + "\" (known: font, instruction, messages, pictures, items)");
    for (const char *k : {"font", "messages", "items"})
        if (!doc.contains(k))
            m.fail("", std::string("\"") + k + "\" is missing");

    Test test;
    test.font = load_font(join(dir, path_value(m, doc, "font")));
    if (doc.contains("instruction")) {
        test.has_instruction = true;
        test.instruction = load_instruction(join(dir, path_value(m, doc, "instruction")));
    }
    test.messages = load_messages(join(dir, path_value(m, doc, "messages")));
    const std::string pictures = join(dir, doc.contains("pictures") ? path_value(m, doc, "pictures") : "pictures");

    const json &items = doc["items"];
    if (!items.is_array() || items.empty())
        m.fail("/items", "\"items\" must be a list with at least one item");
    if (items.size() > 0xFFFF)
        m.fail("/items", "at most 65,535 items");
    std::map<std::string, size_t> seen;
    for (size_t i = 0; i < items.size(); i++) {
        Item item = parse_item(m, items[i], i);
        auto dup = seen.find(lower(item.name));
        if (dup != seen.end())
            m.fail("/items/" + std::to_string(i) + "/name",
                   "item " + std::to_string(i + 1) + ": the name \"" + item.name + "\" is already used by item " +
                       std::to_string(dup->second + 1) + " (names count the same in upper and lower case)");
        seen[lower(item.name)] = i;
        test.items.push_back(item);
    }
    for (const Item &item : test.items) {
        for (char which : {char(picture_problem_suffix), char(picture_answers_suffix)}) {
            const std::string res = picture_name(item.name, which);
            const std::string file = join(pictures, res + ".png");
            Picture p = read_png(file, picture_width, picture_height);
            if (p.width != picture_width || p.height != picture_height)
                throw Error(file + ": the picture is " + std::to_string(p.width) + "x" + std::to_string(p.height) +
                            " pixels; pictures must be exactly 352x190 (nine 112x50 cells at a pitch of 120x70)");
            test.pictures[res] = std::move(p);
        }
    }
    const size_t table = encode_testinfo(test.items).size();
    if (table > largest_entry)
        m.fail("/items", "the item table would be " + std::to_string(table) +
                             " bytes; an archive entry holds at most 65,535 (shorten the texts or use fewer items)");
    const size_t msgs = encode_messages(test.messages).size();
    if (msgs > largest_entry)
        throw Error(join(dir, path_value(m, doc, "messages")) + ": the messages take " + std::to_string(msgs) +
                    " bytes; an archive entry holds at most 65,535");
    return test;
}

std::vector<uint8_t> encode_testinfo(const std::vector<Item> &items)
{
    std::vector<uint8_t> out;
    append16(out, uint32_t(items.size()));
    for (const Item &it : items) {
        const uint16_t mask = uint16_t(it.cells | (it.empty << item_empty_shift));
        out.push_back(uint8_t(it.answer));
        out.push_back(uint8_t(it.text.size() + 1));
        append16(out, mask);
        for (size_t k = 0; k < item_text_at - item_name_at; k++)
            out.push_back(k < it.name.size() ? uint8_t(it.name[k]) : 0);
        out.insert(out.end(), it.text.begin(), it.text.end());
        out.push_back(0);
    }
    return out;
}

std::vector<uint8_t> encode_messages(const std::vector<std::string> &messages)
{
    std::vector<uint8_t> out;
    append16(out, uint32_t(messages.size()));
    for (const std::string &m : messages) {
        const size_t len = m.size() + 1;
        append16(out, uint32_t(len));
        out.insert(out.end(), m.begin(), m.end());
        out.push_back(0);
    }
    return out;
}

std::vector<Resource> test_resources(const Test &test)
{
    std::vector<Resource> res;
    res.push_back({resource_items, encode_testinfo(test.items)});
    res.push_back({resource_messages, encode_messages(test.messages)});
    res.push_back({resource_font, std::vector<uint8_t>(test.font.begin(), test.font.end())});
    if (test.has_instruction) {
        std::vector<uint8_t> t(test.instruction.begin(), test.instruction.end());
        t.push_back(0);
        res.push_back({resource_instruction, t});
    }
    for (const Item &item : test.items)
        for (char which : {char(picture_problem_suffix), char(picture_answers_suffix)}) {
            const std::string name = picture_name(item.name, which);
            auto p = test.pictures.find(name);
            if (p == test.pictures.end())
                throw Error("the picture " + name + " of item " + item.name + " is missing");
            res.push_back({name, to_mono_bitmap(p->second)});
        }
    return res;
}

namespace {

void write_text_file(const std::string &path, const std::string &text)
{
    write_file_atomic(path, std::vector<uint8_t>(text.begin(), text.end()));
}

std::string quoted(const std::string &utf8) { return json(utf8).dump(-1, ' ', false); }

}  // namespace

void write_source(const std::string &folder, const Test &test)
{
    make_dir(folder);
    make_dir(join(folder, "pictures"));
    write_text_file(join(folder, "font.txt"), write_glyph_text(test.font));
    std::string messages;
    for (const std::string &msg : test.messages)
        messages += escape_message(cp866_to_utf8(msg)) + "\n";
    write_text_file(join(folder, "messages.txt"), messages);
    if (test.has_instruction)
        write_text_file(join(folder, "instruction.txt"), cp866_to_utf8(test.instruction));
    for (const auto &p : test.pictures)
        write_png(join(folder, "pictures/" + p.first + ".png"), p.second);

    std::string doc = "{\n  \"font\": \"font.txt\",\n";
    if (test.has_instruction)
        doc += "  \"instruction\": \"instruction.txt\",\n";
    doc += "  \"messages\": \"messages.txt\",\n  \"pictures\": \"pictures\",\n  \"items\": [\n";
    for (size_t i = 0; i < test.items.size(); i++) {
        const Item &it = test.items[i];
        std::string cells;
        for (int c = 0; c < 9; c++)
            if (it.cells & (1u << c))
                cells += (cells.empty() ? "" : ", ") + std::to_string(c + 1);
        doc += "    {\"name\": " + quoted(it.name) + ", \"answer\": " + std::to_string(it.answer) + ", \"cells\": [" +
               cells + "], \"empty\": " + std::to_string(it.empty) + ", \"text\": " + quoted(cp866_to_utf8(it.text)) +
               "}" + (i + 1 < test.items.size() ? "," : "") + "\n";
    }
    doc += "  ]\n}\n";
    write_text_file(join(folder, "test.json"), doc);
}

}  // namespace wdl
