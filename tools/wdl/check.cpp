// wdl check: everything the runner relies on, judged on the archive's bytes
// with the screen geometry of the test frame.
#include "tools/wdl/commands.h"

#include "host/admin_settings.h"
#include "host/codepages.h"
#include "host/error.h"
#include "host/little_endian.h"
#include "archive/format.h"
#include "graphics/gfx.h"
#include "runner/layout.h"
#include "tools/wdl/picture_check.h"
#include "tools/wdl/result_text.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <set>
#include <utility>

namespace wdl {

using namespace host;  // the tools' shared library

namespace {

std::vector<std::string> split_lines(const std::string &text)
{
    std::vector<std::string> lines(1);
    for (char c : text) {
        if (c == '\n')
            lines.emplace_back();
        else
            lines.back() += c;
    }
    return lines;
}

// What fits where on the runner's screens, in characters and lines of the 8x8 font.
constexpr int glyph = 8, paragraph_pitch = 9;
constexpr size_t chars_in(int width) { return size_t(width / glyph); }
constexpr size_t lines_in(int top, int bottom) { return size_t((bottom - top) / glyph); }
// The longest wrong-answer text whose box stays right of the frame's divider.
constexpr size_t popup_chars()
{
    int n = 0;
    while ((panel_width - glyph * (n + 2)) / 2 > popup_margin)
        n++;
    return size_t(n);
}
const std::string picture_size = std::to_string(picture_width) + "x" + std::to_string(picture_height);
static_assert(chars_in(panel_width) == 35 && popup_chars() == 32, "the panel's text widths");

std::string show(const std::string &cp866)
{
    std::string s = cp866_to_utf8(cp866);
    if (s.size() > 40)
        s = cp866_to_utf8(cp866.substr(0, 30)) + "...";
    return "\"" + s + "\"";
}

class Checker {
public:
    std::vector<Finding> found;
    std::string resource;  // what the findings are about, for pointing at the source
    int index = -1;
    void error(const std::string &t, int line = 0) { found.push_back({true, t, resource, index, line}); }
    void warn(const std::string &t) { found.push_back({false, t, resource, index, 0}); }

    // Each line at most `chars` characters and at most `max_lines` drawn lines.
    void text_fits(const std::string &what, const std::string &text, size_t chars, size_t max_lines,
                   const std::string &why_lines)
    {
        const std::vector<std::string> lines = split_lines(text);
        for (size_t i = 0; i < lines.size(); i++)
            if (lines[i].size() > chars)
                error(what + ": line " + std::to_string(i + 1) + " has " + std::to_string(lines[i].size()) +
                          " characters; at most " + std::to_string(chars) + " fit (" + show(lines[i]) + ")",
                      int(i + 1));
        if (max_lines && lines.size() > max_lines)
            error(what + ": " + std::to_string(lines.size()) + " lines; at most " + std::to_string(max_lines) + " fit " +
                  why_lines);
    }
};

// The runner's counter shows the item number and the count modulo 1000.
std::string counter_overflow(uint32_t count)
{
    char count_shown[8];
    std::snprintf(count_shown, sizeof count_shown, "%02u", unsigned(count % 1000));
    return "the test has " + std::to_string(count) +
           " items, but the item counter shows the item number and the count modulo 1000 (\"%02d/%02d\"): item 999 "
           "appears as 999/" + count_shown + " and item 1000 as 00/" + count_shown +
           "; tests of up to 999 items count right";
}

struct ParsedItem {
    std::string name;  // up to 7 characters, as the picture names use it
    int answer;
    uint16_t mask;
    std::string text;
};

}  // namespace

std::vector<Finding> check_archive(const std::vector<uint8_t> &bytes, const std::string &file)
{
    Checker c;
    std::vector<StoredEntry> entries;
    try {
        entries = read_archive(bytes, file);
    } catch (const Error &e) {
        std::string what = e.what();
        if (what.compare(0, file.size() + 2, file + ": ") == 0)
            what.erase(0, file.size() + 2);  // the report names the file already
        c.error(what);
        return std::move(c.found);  // a member: not moved by itself
    }

    // the container
    std::set<std::string> names;
    for (const StoredEntry &e : entries) {
        const std::string label = "entry " + show(e.name);
        if (e.name.empty())
            c.warn("an entry has an empty name; nothing can find it");
        if (!names.insert(lower(e.name)).second)
            c.warn(label + " appears more than once; the runner only ever finds the first");
        if (!e.in_file)
            c.error(label + ": its " + std::to_string(e.stored_size) + " stored bytes at offset " +
                    std::to_string(e.data_offset) + " run past the end of the file");
        if (e.unpacked_size && e.produced < e.unpacked_size)
            c.error(label + ": the packed stream yields only " + std::to_string(e.produced) + " of its " +
                    std::to_string(e.unpacked_size) + " bytes");
    }

    // the font
    c.resource = resource_font;
    const StoredEntry *font = find_entry(entries, resource_font);
    if (!font) {
        c.error("DOS8X8RU (the font) is missing; the runner cannot start");
    } else if (font->data.size() != font_size) {
        c.error("DOS8X8RU (the font) is " + std::to_string(font->data.size()) +
                " bytes; it must be exactly 2,048 (256 glyphs of 8 bytes)");
    } else {
        for (int k = 0; k < font_glyph_size; k++)
            if (font->data[glyph_full_block * font_glyph_size + size_t(k)] != 0xFF) {
                c.warn("font: glyph DB is not a full block; the runner blanks the answer numbers with it");
                break;
            }
        for (int d = '1'; d <= '9'; d++) {
            bool ink = false;
            for (int k = 0; k < font_glyph_size; k++)
                ink = ink || font->data[size_t(d) * font_glyph_size + size_t(k)] != 0;
            if (!ink)
                c.warn(std::string("font: the digit ") + char(d) + " has no ink; answer numbers will not show");
        }
    }

    // the messages
    c.resource = resource_messages;
    const StoredEntry *msg = find_entry(entries, resource_messages);
    std::vector<std::string> messages;
    if (!msg) {
        c.error("MESSAGES is missing; the runner cannot start");
    } else if (msg->data.size() < 2) {
        c.error("MESSAGES is " + std::to_string(msg->data.size()) + " bytes; it cannot even hold its count");
    } else {
        const std::vector<uint8_t> &m = msg->data;
        size_t pos = 2;
        const uint32_t count = get16(m, 0);
        for (uint32_t i = 0; i < count; i++) {
            c.index = int(i);
            const std::string label = "message " + std::to_string(i);
            if (pos + 2 > m.size() || pos + 2 + get16(m, pos) > m.size()) {
                c.error(label + " runs past the end of MESSAGES (the count says " + std::to_string(count) + ")");
                break;
            }
            const size_t len = get16(m, pos);
            const std::string text = text_until_zero(m, pos + 2, pos + 2 + len);
            const size_t k = text.size();
            if (k == len)
                c.error(label + " has no zero byte at its end; the runner cannot use it");
            else if (k + 1 != len)
                c.warn(label + ": " + std::to_string(len - k - 1) + " bytes after its end are never shown");
            messages.push_back(text);
            pos += 2 + len;
        }
        c.index = -1;
        if (pos < m.size())
            c.warn("MESSAGES: " + std::to_string(m.size() - pos) + " bytes after the last message");
        for (size_t i = messages.size(); i < message_count; i++) {
            c.index = int(i);
            c.error("message " + std::to_string(i) + " is missing (messages 0 to 5 are used)");
        }
    }
    auto message = [&](size_t i) {
        c.index = int(i);  // the findings that follow are about message i
        return i < messages.size() ? messages[i] : std::string();
    };
    c.text_fits("message 0 (panel heading)", message(msg_panel_heading), chars_in(panel_width),
                lines_in(heading_y, counter_y),
                "above the item counter at y " + std::to_string(counter_y) + ", which is cleared for every item");
    c.text_fits("message 1 (hint under the pictures)", message(msg_hint), chars_in(screen_width - hint_x),
                lines_in(hint_y, screen_height), "below y " + std::to_string(hint_y));
    if (message(msg_wrong_answer).find('\n') != std::string::npos)
        c.error("message 2 (wrong-answer box) must be one line");
    else if (message(msg_wrong_answer).size() > popup_chars())
        c.error("message 2 (wrong-answer box) has " + std::to_string(message(msg_wrong_answer).size()) +
                " characters; at most " + std::to_string(popup_chars()) +
                " fit: its box would cover the frame line at x " + std::to_string(frame_divider_x));
    c.text_fits("message 5 (bottom of the instruction screen)", message(msg_press_key), chars_in(screen_width),
                lines_in(press_key_y, screen_height), "below y " + std::to_string(press_key_y));
    for (size_t i : {size_t(msg_result_heading), size_t(msg_totals_label)}) {
        if (message(i).find('\n') != std::string::npos)
            c.warn("message " + std::to_string(i) + " (result file) has a line break; the result file's lines end in CR LF");
        if (const std::string lost = lost_in_result_file(message(i)); !lost.empty())
            c.warn("message " + std::to_string(i) + " (result file): " + lost + lost_in_result_file_why);
    }

    // how the test is given, and the texts of its screens
    c.resource = resource_admin;
    c.index = -1;
    AdminSettings admin{};
    const StoredEntry *admin_entry = find_entry(entries, resource_admin);
    if (admin_entry) {
        const int fault = settings_parse(admin_entry->data.data(), uint32_t(admin_entry->data.size()), &admin);
        if (fault != settings_ok)
            c.error("ADMINSET (administration) is damaged: " + admin_fault(fault) + "; the runner refuses to start");
    }
    c.resource = resource_messages;
    static const char *const screen_texts[] = {"ID screen prompt", "ID screen keys", "resume offer heading",
                                               "resume offer item", "resume offer start", "resume offer keys"};
    for (size_t i = msg_id_prompt; i < message_count_all; i++) {
        const std::string label = "message " + std::to_string(i) + " (" + screen_texts[i - msg_id_prompt] + ")";
        if (i < messages.size())
            c.text_fits(label, message(i), chars_in(screen_width - 2 * instruction_x), 1, "(one line)");
        else if (admin_entry && (i < msg_resume_heading ? admin.ask_id != admin_ask_no : admin.offer_resume != 0))
            c.warn(label + " is missing: the runner shows its built-in English text");
    }

    // the instruction
    c.resource = resource_instruction;
    c.index = -1;
    if (const StoredEntry *t = find_entry(entries, resource_instruction)) {
        const std::string text = text_until_zero(t->data, 0, t->data.size());
        c.text_fits("TESTTEXT (instruction)", text, chars_in(screen_width - instruction_x), 0, "");
        int y = instruction_y, bottom = 0;
        for (const std::string &l : split_lines(text)) {
            if (!l.empty())
                bottom = y + glyph;
            y += l.empty() ? glyph : paragraph_pitch;
        }
        if (bottom > press_key_y)
            c.error("TESTTEXT (instruction): the text reaches y " + std::to_string(bottom) +
                    "; it must end above the bottom line at y " + std::to_string(press_key_y) + " (fewer lines)");
    } else {
        c.warn("TESTTEXT is missing: the test starts without an instruction screen");
    }

    // the items
    c.resource = resource_items;
    const StoredEntry *info = find_entry(entries, resource_items);
    std::vector<ParsedItem> items;
    if (!info) {
        c.error("TESTINFO (the item table) is missing; the runner cannot start");
    } else if (info->data.size() < 2) {
        c.error("TESTINFO is " + std::to_string(info->data.size()) + " bytes; it cannot even hold its count");
    } else {
        const std::vector<uint8_t> &t = info->data;
        const uint32_t count = get16(t, 0);
        if (count == 0)
            c.error("TESTINFO has no items; the runner refuses to start");
        size_t pos = 2;
        for (uint32_t i = 0; i < count; i++) {
            c.index = int(i);
            std::string label = "item " + std::to_string(i + 1);
            if (pos + item_record_header > t.size() || pos + item_record_header + t[pos + item_text_length_at] > t.size()) {
                c.error(label + " runs past the end of TESTINFO (the count says " + std::to_string(count) +
                        "); the runner refuses to start");
                items.clear();
                break;
            }
            ParsedItem it;
            it.answer = t[pos + item_answer_at];
            it.mask = uint16_t(get16(t, pos + item_mask_at));
            it.name = text_until_zero(t, pos + item_name_at, pos + item_name_at + picture_base_size);
            label += " (" + cp866_to_utf8(it.name) + ")";
            const size_t len = t[pos + item_text_length_at];
            it.text = text_until_zero(t, pos + item_text_at, pos + item_text_at + len);
            const size_t k = it.text.size();
            if (len == 0)
                c.warn(label + ": the text length is 0 (an empty text is 1: its zero byte)");
            else if (k == len) {
                c.error(label + ": the text has no zero byte at its end; the runner refuses to start");
            } else if (k + 1 != len)
                c.error(label + ": the text ends " + std::to_string(len - k - 1) +
                        " bytes before its length; the result file would show those bytes");
            if (it.name.empty())
                c.error(label + ": the picture name is empty");
            const int options = __builtin_popcount(it.mask & item_options_mask);
            const int empty = it.mask >> item_empty_shift;
            if (options == 0)
                c.error(label + ": no answer cell is present (mask bits 0..8 are all clear)");
            if (it.answer < 1 || it.answer > options)
                c.error(label + ": the answer is " + std::to_string(it.answer) + " but the digits 1.." +
                        std::to_string(options) + " are the available answers; the item cannot be passed");
            if (empty < 1 || empty > 9)
                c.error(label + ": the empty cell is " + std::to_string(empty) + "; it must be 1 to 9");
            if (it.mask & 0x0E00)
                c.warn(label + ": mask bits 9 to 11 are set; they mean nothing");
            c.text_fits(label + ": text", it.text, chars_in(panel_width), 0, "");
            if (const std::string lost = lost_in_result_file(it.text); !lost.empty())
                c.warn(label + ": the text's " + lost + lost_in_result_file_why);
            items.push_back(it);
            pos += item_record_header + len;
        }
        c.index = -1;
        if (!items.empty() && pos < t.size())
            c.warn("TESTINFO: " + std::to_string(t.size() - pos) + " bytes after the last item");
        if (count >= 1000)
            c.warn(counter_overflow(count));
    }

    std::map<std::string, size_t> by_name;
    std::set<std::string> pictures_used;
    Picture drawn[2];  // kept from item to item: their pixels' memory is reused
    for (size_t i = 0; i < items.size(); i++) {
        c.index = int(i);
        const ParsedItem &it = items[i];
        const std::string label = "item " + std::to_string(i + 1) + " (" + cp866_to_utf8(it.name) + ")";
        auto dup = by_name.find(lower(it.name));
        if (dup != by_name.end())
            c.error(label + ": item " + std::to_string(dup->second + 1) +
                    " has the same picture name (the first 7 characters count, in any case)");
        else
            by_name[lower(it.name)] = i;
        for (Picture &p : drawn)
            p.width = p.height = 0;  // none yet: not checked
        for (char which : {char(picture_problem_suffix), char(picture_answers_suffix)}) {
            const std::string res = it.name + which;
            c.resource = res;
            pictures_used.insert(lower(res));
            const StoredEntry *p = find_entry(entries, res);
            const std::string what = label + ": picture " + cp866_to_utf8(res);
            if (!p) {
                c.error(what + " is missing");
                continue;
            }
            const std::vector<uint8_t> &d = p->data;
            if (d.size() < bitmap_header_size) {
                c.error(what + " is " + std::to_string(d.size()) + " bytes, shorter than its header");
                continue;
            }
            const uint32_t w = get16(d, bitmap_width_at), h = get16(d, bitmap_height_at);
            const size_t need = bitmap_header_size + size_t(mono_stride(w)) * h;
            if (w != picture_width || h != picture_height)
                c.error(what + " is " + std::to_string(w) + "x" + std::to_string(h) + "; it must be " + picture_size +
                        " (nine " + std::to_string(cell_width) + "x" + std::to_string(cell_height) +
                        " cells at a pitch of " + std::to_string(cell_pitch_x) + "x" + std::to_string(cell_pitch_y) + ")");
            else if (d.size() < need)
                c.error(what + " is " + std::to_string(d.size()) + " bytes; a " + picture_size + " picture needs " +
                        std::to_string(need));
            else if (get16(d, bitmap_bits_at) != 1)
                c.error(what + " is not a one-bit picture (" + std::to_string(get16(d, bitmap_bits_at)) + " bits per pixel)");
            else if (d.size() > need)
                c.warn(what + ": " + std::to_string(d.size() - need) + " bytes after the picture");
            if (w == picture_width && h == picture_height && d.size() >= need && get16(d, bitmap_bits_at) == 1)
                from_mono_bitmap(d, what, drawn[which - picture_problem_suffix]);
        }
        check_item_pictures(label, {it.name, it.answer, it.mask}, drawn[0], drawn[1], i, c.found);
        c.resource = "TESTINFO";
        // lines after the first are not cleared when the next item is drawn
        const std::vector<std::string> lines = split_lines(it.text);
        if (i + 1 < items.size() && lines.size() > 1) {
            std::vector<std::string> next = split_lines(items[i + 1].text);
            next.erase(next.begin());
            std::vector<std::string> rest(lines.begin() + 1, lines.end());
            if (rest.size() > next.size() || !std::equal(rest.begin(), rest.end(), next.begin()))
                c.warn(label + ": the text has " + std::to_string(lines.size()) +
                       " lines; the runner clears only the first when it shows the next item, so the others stay on screen");
        }
        if (i < training_items && lines.size() > lines_in(item_text_y, popup_top))
            c.warn(label + ": the text reaches the wrong-answer box at y " + std::to_string(popup_top) +
                   " (training items show it)");
        // the remaining time is drawn over the panel's band at time_left_y
        int text_bottom = 0;
        for (size_t k = 0; k < lines.size(); k++)
            if (!lines[k].empty())
                text_bottom = item_text_y + int(k + 1) * glyph;
        if (admin.show_time && text_bottom > time_left_y)
            c.warn(label + ": the text reaches y " + std::to_string(text_bottom) + "; the remaining time is drawn over "
                   "it from y " + std::to_string(time_left_y) + " (the settings show the time)");
    }
    c.resource.clear();
    c.index = -1;
    for (const StoredEntry &e : entries) {
        const std::string l = lower(e.name);
        if (l != lower(resource_items) && l != lower(resource_messages) && l != lower(resource_font) &&
            l != lower(resource_instruction) && l != lower(resource_admin) && !pictures_used.count(l))
            c.warn("entry " + show(e.name) + " is not used by the test");
    }
    if (!items.empty() && items.size() <= training_items)
        c.warn("the test has only training items (the first three)");
    return std::move(c.found);  // a member: not moved by itself
}

}  // namespace wdl
