#include "host/glyph_text.h"

#include "host/codepages.h"
#include "host/error.h"

#include <cstdio>
#include <sstream>
#include <vector>

namespace host {

namespace {

int hex_digit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

std::string glyph_name(int code)
{
    char buf[16];
    std::snprintf(buf, sizeof buf, "@%02X", code);
    return buf;
}

bool is_blank(char c) { return c == ' ' || c == '\t'; }

}  // namespace

GlyphSet parse_glyph_set(const std::string &text, const std::string &file)
{
    GlyphSet set;
    std::vector<int> defined_at(256, 0);
    std::istringstream in(text);
    std::string line;
    int number = 0;
    int code = -1, rows = 0, header_line = 0;
    while (std::getline(in, line)) {
        number++;
        while (!line.empty() && (line.back() == '\r' || is_blank(line.back())))
            line.pop_back();
        if (line.empty())
            continue;
        if (code >= 0) {
            if (line.size() != 8)
                throw Error(where(file, number) + "row " + std::to_string(rows + 1) + " of glyph " + glyph_name(code) +
                            " must be exactly 8 characters of '#' and '.'");
            uint8_t bits = 0;
            for (int k = 0; k < 8; k++) {
                if (line[size_t(k)] == '#')
                    bits = uint8_t(bits | (0x80 >> k));
                else if (line[size_t(k)] != '.')
                    throw Error(where(file, number) + "only '#' (ink) and '.' (background) may form a glyph row");
            }
            set.font[size_t(code) * 8 + size_t(rows)] = bits;
            if (++rows == 8)
                code = -1;
            continue;
        }
        if (line[0] == '#')
            continue;
        if (line[0] != '@' || line.size() < 3 || hex_digit(line[1]) < 0 || hex_digit(line[2]) < 0)
            throw Error(where(file, number) + "expected a glyph header '@XX' (two hex digits), a comment or a blank line");
        code = hex_digit(line[1]) * 16 + hex_digit(line[2]);
        if (defined_at[size_t(code)])
            throw Error(where(file, number) + "glyph @" + line.substr(1, 2) + " is already defined on line " +
                        std::to_string(defined_at[size_t(code)]));
        defined_at[size_t(code)] = number;
        set.present[size_t(code)] = true;
        const size_t start = line.find_first_not_of(" \t", 3);
        set.comments[size_t(code)] = start == std::string::npos ? "" : line.substr(start);
        header_line = number;
        rows = 0;
    }
    if (code >= 0)
        throw Error(where(file, number) + "the glyph that starts on line " + std::to_string(header_line) +
                    " has only " + std::to_string(rows) + " of its 8 rows");
    return set;
}

FontBytes parse_glyph_text(const std::string &text, const std::string &file)
{
    const GlyphSet set = parse_glyph_set(text, file);
    for (int c = 0; c < 256; c++)
        if (!set.present[size_t(c)])
            throw Error(where(file, 0) + "glyph " + glyph_name(c) + " is missing (all 256 codes 00..FF are needed)");
    return set.font;
}

std::string write_glyph_text(const FontBytes &font, const GlyphComments &comments, const std::string &header)
{
    std::string out;
    std::istringstream lines(header);
    std::string line;
    while (std::getline(lines, line))
        out += (line.empty() ? "#" : "# " + line) + "\n";
    for (int c = 0; c < 256; c++) {
        out += "\n" + glyph_name(c);
        if (!comments[size_t(c)].empty())
            out += " " + comments[size_t(c)];
        out += '\n';
        for (int r = 0; r < 8; r++) {
            const uint8_t bits = font[size_t(c) * 8 + size_t(r)];
            for (int k = 0; k < 8; k++)
                out += (bits & (0x80 >> k)) ? '#' : '.';
            out += '\n';
        }
    }
    return out;
}

std::string write_glyph_text(const FontBytes &font)
{
    GlyphComments names;
    for (int c = 0; c < 256; c++) {
        std::string &name = names[size_t(c)];
        if (c == 0)
            name = "NUL";
        else if (c == 0x0A)
            name = "line break";
        else if (c == 0x20)
            name = "space";
        else if (c == 0xFF)
            name = "no-break space";
        else
            append_utf8(name, cp866_to_unicode(uint8_t(c)));
    }
    return write_glyph_text(font, names,
                            "8x8 font, CP866: one block per code, '@' and two hex digits, then\n"
                            "8 rows of 8 pixels from the top, '#' ink and '.' background.");
}

}  // namespace host
