#include "host/text_convert.h"

#include "host/codepages.h"
#include "host/diagnostics.h"
#include "host/typography.h"

#include <algorithm>
#include <memory>
#include <vector>

namespace host {

int column_of(std::string_view line, size_t offset)
{
    int column = 1;
    for (size_t i = 0; i < offset && i < line.size(); i++)
        column += (uint8_t(line[i]) & 0xC0) != 0x80;
    return column;
}

PlaceOf places_in(std::string_view text, int line, int column, bool count_lines)
{
    // Line starts and characters counted once, so that each place is a
    // lookup: a text with a problem on every character stays linear.
    struct Counts {
        std::vector<size_t> line_starts{0};
        std::vector<int> characters_before;  // by byte offset
    };
    auto counts = std::make_shared<Counts>();
    counts->characters_before.assign(text.size() + 1, 0);
    for (size_t i = 0; i < text.size(); i++) {
        counts->characters_before[i + 1] = counts->characters_before[i] + ((uint8_t(text[i]) & 0xC0) != 0x80);
        if (count_lines && text[i] == '\n')
            counts->line_starts.push_back(i + 1);
    }
    return [counts, line, column](size_t offset) {
        const std::vector<size_t> &starts = counts->line_starts;
        const std::vector<int> &before = counts->characters_before;
        const size_t k = size_t(std::upper_bound(starts.begin(), starts.end(), offset) - starts.begin()) - 1;
        const size_t start = starts[k];
        const int c = 1 + before[std::min(offset, before.size() - 1)] - before[start];
        return Place{line + int(k), start == 0 ? column + c - 1 : c};
    };
}

namespace {

// 'x', or "'" for the apostrophe itself.
std::string quoted(const std::string &s)
{
    return s.find('\'') == std::string::npos ? "'" + s + "'" : "\"" + s + "\"";
}

}  // namespace

std::string convert_text(std::string_view utf8, const std::string &file, const PlaceOf &place,
                         const TextOptions &options, Diagnostics &found)
{
    std::string out;
    out.reserve(utf8.size());
    bool reported_utf8 = false;
    for (size_t i = 0; i < utf8.size();) {
        char32_t c = 0;
        const size_t len = decode_utf8(utf8, i, c);
        if (len == 0) {
            if (!reported_utf8) {
                const Place p = place(i);
                found.error(file, p.line, p.column, "the text is not valid UTF-8 (save the file as UTF-8)");
                reported_utf8 = true;
            }
            out += '?';
            i++;
            continue;
        }
        // the place is counted only for a report: counting it for every
        // character made a long Cyrillic text quadratic
        const size_t at = i;
        i += len;
        if (c == '\n') {
            out += '\n';
            continue;
        }
        const Replacement r = replacement_for(c);
        if (r.typographic && options.ascii_punctuation) {
            out += r.text;  // plain ASCII
            const Place p = place(at);
            found.note(file, p.line, p.column,
                       r.text.empty() ? "left out the invisible character " + describe_character(c)
                                      : "replaced " + describe_character(c) + " with " + quoted(r.text));
            continue;
        }
        if (c == '\t') {
            const Place p = place(at);
            found.error(file, p.line, p.column, "a tab is not allowed in a text: use spaces");
            out += '?';
            continue;
        }
        if (c < 0x20 || c == 0x7F) {
            const Place p = place(at);
            found.error(file, p.line, p.column,
                        "control character " + describe_character(c) + " is not allowed in a text");
            out += '?';
            continue;
        }
        const int code = cp866_from_unicode(c);
        if (code >= 0) {
            out += char(code);
            continue;
        }
        std::string what = "character " + describe_character(c) + " is not in the DOS Cyrillic code page (CP866)";
        if (!r.known)
            what += " and has no replacement there: leave it out or say it in words";
        else if (r.text.empty())
            what = "invisible character " + describe_character(c) +
                   " is not in the DOS Cyrillic code page (CP866): delete it";
        else
            what += ": write " + quoted(r.text) + " instead";
        if (r.typographic)
            what += " (--ascii-punctuation does it for you)";
        const Place p = place(at);
        found.error(file, p.line, p.column, what);
        out += '?';
    }
    return out;
}

}  // namespace host
