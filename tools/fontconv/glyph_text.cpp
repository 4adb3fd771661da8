#include "tools/fontconv/glyph_text.h"

#include <sstream>

namespace fontconv {
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

std::string strip_cr(std::string line)
{
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    return line;
}

}  // namespace

bool parse_glyph_text(const std::string &text, bool complete, Font &font,
                      std::array<bool, 256> &present, std::string &error)
{
    present.fill(false);
    std::istringstream in(text);
    std::string line;
    int number = 0;
    auto fail = [&](const std::string &what) {
        error = "line " + std::to_string(number) + ": " + what;
        return false;
    };
    while (std::getline(in, line)) {
        number++;
        line = strip_cr(line);
        if (line.empty() || line[0] == '#')
            continue;
        if (line[0] != '@' || line.size() < 3 || hex_digit(line[1]) < 0 || hex_digit(line[2]) < 0 ||
            (line.size() > 3 && line[3] != ' ' && line[3] != '\t'))
            return fail("expected a glyph header \"@XX\"");
        int code = hex_digit(line[1]) * 16 + hex_digit(line[2]);
        if (present[code])
            return fail("glyph @" + line.substr(1, 2) + " given twice");
        present[code] = true;
        size_t start = line.find_first_not_of(" \t", 3);
        font.comments[code] = start == std::string::npos ? "" : line.substr(start);
        for (int r = 0; r < 8; r++) {
            if (!std::getline(in, line))
                return fail("glyph @" + std::string(1, "0123456789ABCDEF"[code >> 4]) +
                            "0123456789ABCDEF"[code & 15] + " has fewer than 8 rows");
            number++;
            line = strip_cr(line);
            if (line.size() != 8)
                return fail("a glyph row must have exactly 8 characters");
            uint8_t bits = 0;
            for (int k = 0; k < 8; k++) {
                if (line[k] == '#')
                    bits |= uint8_t(0x80 >> k);
                else if (line[k] != '.')
                    return fail("a glyph row holds only '#' and '.'");
            }
            font.rows[code][r] = bits;
        }
    }
    if (complete) {
        for (int c = 0; c < 256; c++) {
            if (!present[c]) {
                char hex[3] = {"0123456789ABCDEF"[c >> 4], "0123456789ABCDEF"[c & 15], 0};
                error = std::string("glyph @") + hex + " is missing";
                return false;
            }
        }
    }
    return true;
}

std::string format_glyph_text(const Font &font, const std::string &header)
{
    std::ostringstream out;
    std::istringstream lines(header);
    std::string line;
    while (std::getline(lines, line))
        out << (line.empty() ? "#" : "# " + line) << "\n";
    static const char hex[] = "0123456789ABCDEF";
    for (int c = 0; c < 256; c++) {
        out << "\n@" << hex[c >> 4] << hex[c & 15];
        if (!font.comments[c].empty())
            out << " " << font.comments[c];
        out << "\n";
        for (int r = 0; r < 8; r++) {
            for (int k = 0; k < 8; k++)
                out << ((font.rows[c][r] & (0x80 >> k)) ? '#' : '.');
            out << "\n";
        }
    }
    return out.str();
}

std::string font_table(const Font &font)
{
    std::string table;
    for (int c = 0; c < 256; c++)
        for (int r = 0; r < 8; r++)
            table.push_back(char(font.rows[c][r]));
    return table;
}

}  // namespace fontconv
