#include "tools/wdl/glyph_text.h"

#include "tools/wdl/cp866.h"
#include "tools/wdl/error.h"

#include <cstdio>
#include <sstream>
#include <vector>

namespace wdl {

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

}  // namespace

FontBytes parse_glyph_text(const std::string &text, const std::string &file)
{
    FontBytes font{};
    std::vector<int> defined_at(256, 0);
    std::istringstream in(text);
    std::string line;
    int number = 0;
    int code = -1, rows = 0, header_line = 0;
    while (std::getline(in, line)) {
        number++;
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t'))
            line.pop_back();
        if (line.empty())
            continue;
        if (code >= 0) {
            if (line.size() != 8) {
                char buf[16];
                std::snprintf(buf, sizeof buf, "@%02X", code);
                throw Error(where(file, number) + "row " + std::to_string(rows + 1) + " of glyph " + buf +
                            " must be exactly 8 characters of '#' and '.'");
            }
            uint8_t bits = 0;
            for (int k = 0; k < 8; k++) {
                if (line[size_t(k)] == '#')
                    bits = uint8_t(bits | (0x80 >> k));
                else if (line[size_t(k)] != '.')
                    throw Error(where(file, number) + "only '#' (ink) and '.' (background) may form a glyph row");
            }
            font[size_t(code) * 8 + size_t(rows)] = bits;
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
        header_line = number;
        rows = 0;
    }
    if (code >= 0)
        throw Error(where(file, number) + "the glyph that starts on line " + std::to_string(header_line) +
                    " has only " + std::to_string(rows) + " of its 8 rows");
    for (int c = 0; c < 256; c++) {
        if (!defined_at[size_t(c)]) {
            char buf[16];
            std::snprintf(buf, sizeof buf, "@%02X", c);
            throw Error(where(file, 0) + "glyph " + buf + " is missing (all 256 codes 00..FF are needed)");
        }
    }
    return font;
}

std::string write_glyph_text(const FontBytes &font)
{
    std::string out =
        "# 8x8 font, CP866: one block per code, '@' and two hex digits, then\n"
        "# 8 rows of 8 pixels from the top, '#' ink and '.' background.\n";
    for (int c = 0; c < 256; c++) {
        char head[16];
        std::snprintf(head, sizeof head, "\n@%02X ", c);
        out += head;
        const char32_t u = cp866_to_unicode(uint8_t(c));
        if (c == 0)
            out += "NUL";
        else if (c == 0x0A)
            out += "line break";
        else if (c == 0x20)
            out += "space";
        else if (c == 0xFF)
            out += "no-break space";
        else
            append_utf8(out, u);
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

}  // namespace wdl
