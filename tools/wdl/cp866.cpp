#include "tools/wdl/cp866.h"

#include "tools/wdl/diagnostics.h"
#include "tools/wdl/error.h"
#include "tools/wdl/text_convert.h"

#include <cstdio>

namespace wdl {

namespace {

const char32_t low_symbols[32] = {
    0x0000, 0x263A, 0x263B, 0x2665, 0x2666, 0x2663, 0x2660, 0x2022, 0x25D8, 0x25CB, 0x000A, 0x2642,
    0x2640, 0x266A, 0x266B, 0x263C, 0x25BA, 0x25C4, 0x2195, 0x203C, 0x00B6, 0x00A7, 0x25AC, 0x21A8,
    0x2191, 0x2193, 0x2192, 0x2190, 0x221F, 0x2194, 0x25B2, 0x25BC};

const char32_t high_half[128] = {
    0x0410, 0x0411, 0x0412, 0x0413, 0x0414, 0x0415, 0x0416, 0x0417, 0x0418, 0x0419, 0x041A, 0x041B,
    0x041C, 0x041D, 0x041E, 0x041F, 0x0420, 0x0421, 0x0422, 0x0423, 0x0424, 0x0425, 0x0426, 0x0427,
    0x0428, 0x0429, 0x042A, 0x042B, 0x042C, 0x042D, 0x042E, 0x042F, 0x0430, 0x0431, 0x0432, 0x0433,
    0x0434, 0x0435, 0x0436, 0x0437, 0x0438, 0x0439, 0x043A, 0x043B, 0x043C, 0x043D, 0x043E, 0x043F,
    0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x2561, 0x2562, 0x2556, 0x2555, 0x2563, 0x2551, 0x2557,
    0x255D, 0x255C, 0x255B, 0x2510, 0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x255E, 0x255F,
    0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x2567, 0x2568, 0x2564, 0x2565, 0x2559,
    0x2558, 0x2552, 0x2553, 0x256B, 0x256A, 0x2518, 0x250C, 0x2588, 0x2584, 0x258C, 0x2590, 0x2580,
    0x0440, 0x0441, 0x0442, 0x0443, 0x0444, 0x0445, 0x0446, 0x0447, 0x0448, 0x0449, 0x044A, 0x044B,
    0x044C, 0x044D, 0x044E, 0x044F, 0x0401, 0x0451, 0x0404, 0x0454, 0x0407, 0x0457, 0x040E, 0x045E,
    0x00B0, 0x2219, 0x00B7, 0x221A, 0x2116, 0x00A4, 0x25A0, 0x00A0};

}  // namespace

std::string where(const std::string &file, int line)
{
    return line > 0 ? file + ":" + std::to_string(line) + ": " : file + ": ";
}

char32_t cp866_to_unicode(uint8_t b)
{
    if (b < 0x20)
        return low_symbols[b];
    if (b == 0x7F)
        return 0x2302;
    if (b < 0x80)
        return b;
    return high_half[b - 0x80];
}

int cp866_from_unicode(char32_t c)
{
    if (c == '\n')
        return 0x0A;
    if (c >= 0x20 && c < 0x7F)
        return int(c);
    if (c == 0x2302)
        return 0x7F;
    for (int b = 1; b < 0x20; b++)
        if (b != 0x0A && low_symbols[b] == c)
            return b;
    for (int b = 0; b < 128; b++)
        if (high_half[b] == c)
            return 0x80 + b;
    return -1;
}

void append_utf8(std::string &out, char32_t c)
{
    if (c < 0x80) {
        out += char(c);
    } else if (c < 0x800) {
        out += char(0xC0 | (c >> 6));
        out += char(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += char(0xE0 | (c >> 12));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    } else {
        out += char(0xF0 | (c >> 18));
        out += char(0x80 | ((c >> 12) & 0x3F));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    }
}

std::string describe_character(char32_t c)
{
    char buf[16];
    std::snprintf(buf, sizeof buf, "U+%04X", unsigned(c));
    std::string s;
    static const struct {
        char32_t c;
        const char *name;
    } invisible[] = {{0x00A0, "no-break space"}, {0x202F, "narrow no-break space"}, {0x2007, "figure space"},
                     {0x2009, "thin space"},     {0x200A, "hair space"},            {0x00AD, "soft hyphen"},
                     {0x200B, "zero-width space"}, {0x2060, "word joiner"},         {0xFEFF, "byte order mark"}};
    for (const auto &i : invisible)
        if (i.c == c)
            return std::string(i.name) + " (" + buf + ")";
    if (c >= 0x2000 && c <= 0x200D)
        return std::string("special space (") + buf + ")";
    if (c >= 0x20 && c != 0x7F) {
        s += "'";
        append_utf8(s, c);
        s += "' ";
    }
    return s + "(" + buf + ")";
}

size_t decode_utf8(std::string_view text, size_t i, char32_t &c)
{
    const uint8_t b = uint8_t(text[i]);
    const size_t len = b < 0x80 ? 1 : (b & 0xE0) == 0xC0 ? 2 : (b & 0xF0) == 0xE0 ? 3 : (b & 0xF8) == 0xF0 ? 4 : 0;
    if (len == 0 || i + len > text.size())
        return 0;
    c = len == 1 ? b : len == 2 ? (b & 0x1F) : len == 3 ? (b & 0x0F) : (b & 0x07);
    for (size_t k = 1; k < len; k++) {
        const uint8_t cont = uint8_t(text[i + k]);
        if ((cont & 0xC0) != 0x80)
            return 0;
        c = (c << 6) | (cont & 0x3F);
    }
    static const char32_t least[5] = {0, 0, 0x80, 0x800, 0x10000};
    const bool ok = c >= least[len] && c <= 0x10FFFF && !(c >= 0xD800 && c <= 0xDFFF);
    return ok ? len : 0;
}

std::string utf8_to_cp866(std::string_view text, const std::string &file, int line, bool count_lines)
{
    Diagnostics found;
    const std::string out = convert_text(text, file, places_in(text, line, 1, count_lines), TextOptions(), found);
    for (const Diagnostic &d : found.all())
        if (d.severity == Severity::error)
            throw Error(format(d));
    return out;
}

std::string cp866_to_utf8(std::string_view bytes)
{
    std::string out;
    for (char b : bytes)
        append_utf8(out, cp866_to_unicode(uint8_t(b)));
    return out;
}

}  // namespace wdl
