#include "tools/wdl/test_source.h"

#include "host/codepages.h"
#include "host/error.h"
#include "host/little_endian.h"

#include <nlohmann/json.hpp>

namespace wdl {

using namespace host;  // the tools' shared library

std::string picture_name(const std::string &item_name, char which) { return item_name.substr(0, 7) + which; }

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

std::vector<Resource> test_resources(const Test &test)
{
    std::vector<Resource> res;
    res.push_back({"TESTINFO", encode_testinfo(test.items)});
    res.push_back({"MESSAGES", encode_messages(test.messages)});
    res.push_back({"DOS8X8RU", std::vector<uint8_t>(test.font.begin(), test.font.end())});
    if (test.has_instruction) {
        std::vector<uint8_t> t(test.instruction.begin(), test.instruction.end());
        t.push_back(0);
        res.push_back({"TESTTEXT", t});
    }
    if (test.has_admin)
        res.push_back({resource_admin, encode_admin(test.admin)});
    for (const Item &item : test.items)
        for (char which : {'0', '1'}) {
            const std::string name = picture_name(item.name, which);
            auto p = test.pictures.find(name);
            if (p != test.pictures.end())
                res.push_back({name, to_mono_bitmap(p->second)});
        }
    return res;
}

namespace {

using json = nlohmann::json;

void write_text_file(const std::string &path, const std::string &text)
{
    write_file_atomic(path, std::vector<uint8_t>(text.begin(), text.end()));
}

std::string quoted(const std::string &utf8) { return json(utf8).dump(-1, ' ', false); }

}  // namespace

std::string item_json(const Item &it)
{
    std::string cells;
    for (int c = 0; c < 9; c++)
        if (it.cells & (1u << c))
            cells += (cells.empty() ? "" : ", ") + std::to_string(c + 1);
    return "{\"name\": " + quoted(it.name) + ", \"answer\": " + std::to_string(it.answer) + ", \"cells\": [" + cells +
           "], \"empty\": " + std::to_string(it.empty) + ", \"text\": " + quoted(cp866_to_utf8(it.text)) + "}";
}

void write_source(const std::string &folder, const Test &test)
{
    make_dir(folder);
    make_dir(join_path(folder, "pictures"));
    write_text_file(join_path(folder, "font.txt"), write_glyph_text(test.font));
    std::string messages;
    for (const std::string &msg : test.messages)
        messages += escape_message(cp866_to_utf8(msg)) + "\n";
    write_text_file(join_path(folder, "messages.txt"), messages);
    if (test.has_instruction)
        write_text_file(join_path(folder, "instruction.txt"), cp866_to_utf8(test.instruction));
    for (const auto &p : test.pictures)
        write_png(join_path(folder, "pictures/" + p.first + ".png"), p.second);

    std::string doc = "{\n  \"font\": \"font.txt\",\n";
    if (test.has_instruction)
        doc += "  \"instruction\": \"instruction.txt\",\n";
    doc += "  \"messages\": \"messages.txt\",\n  \"pictures\": \"pictures\",\n";
    if (test.has_admin)
        doc += admin_json(test.admin) + ",\n";
    doc += "  \"items\": [\n";
    for (size_t i = 0; i < test.items.size(); i++)
        doc += "    " + item_json(test.items[i]) + (i + 1 < test.items.size() ? "," : "") + "\n";
    doc += "  ]\n}\n";
    write_text_file(join_path(folder, "test.json"), doc);
}

}  // namespace wdl
