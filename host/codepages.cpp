#include "host/codepages.h"

#include "base/cp866.h"

#include "host/diagnostics.h"
#include "host/error.h"
#include "host/text_convert.h"

#include <cstdio>
#include <unordered_map>

namespace host {


char32_t cp866_to_unicode(uint8_t b)
{
    return char32_t(::cp866_code_point(b));
}

int cp866_from_unicode(char32_t c)
{
    if (c < 0x80 && c != 0 && c != 0x7F && (c >= 0x20 || c == '\n'))
        return int(c);
    // the runner's table read backwards, made once
    static const std::unordered_map<char32_t, uint8_t> bytes = [] {
        std::unordered_map<char32_t, uint8_t> m;
        for (int b = 0x80; b < 0x100; b++)
            m.emplace(cp866_to_unicode(uint8_t(b)), uint8_t(b));
        for (int b = 1; b < 0x20; b++)
            if (b != 0x0A)
                m.emplace(cp866_to_unicode(uint8_t(b)), uint8_t(b));
        m.emplace(cp866_to_unicode(0x7F), uint8_t(0x7F));
        return m;
    }();
    const auto found = bytes.find(c);
    return found == bytes.end() ? -1 : found->second;
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

namespace {

// Windows-1251, bytes 0x80..0xFF (0x98 is unassigned: U+FFFD).
const char16_t cp1251_high[128] = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021,
    0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F,
    0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0xFFFD, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F,
    0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7,
    0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7,
    0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,
    0x0410, 0x0411, 0x0412, 0x0413, 0x0414, 0x0415, 0x0416, 0x0417,
    0x0418, 0x0419, 0x041A, 0x041B, 0x041C, 0x041D, 0x041E, 0x041F,
    0x0420, 0x0421, 0x0422, 0x0423, 0x0424, 0x0425, 0x0426, 0x0427,
    0x0428, 0x0429, 0x042A, 0x042B, 0x042C, 0x042D, 0x042E, 0x042F,
    0x0430, 0x0431, 0x0432, 0x0433, 0x0434, 0x0435, 0x0436, 0x0437,
    0x0438, 0x0439, 0x043A, 0x043B, 0x043C, 0x043D, 0x043E, 0x043F,
    0x0440, 0x0441, 0x0442, 0x0443, 0x0444, 0x0445, 0x0446, 0x0447,
    0x0448, 0x0449, 0x044A, 0x044B, 0x044C, 0x044D, 0x044E, 0x044F,
};

}  // namespace

std::string cp1251_to_utf8(std::string_view bytes)
{
    std::string out;
    out.reserve(bytes.size() * 2);
    for (unsigned char b : bytes)
        append_utf8(out, b < 0x80 ? char32_t(b) : char32_t(cp1251_high[b - 0x80]));
    return out;
}

std::string to_utf8(std::string_view bytes, Codepage cp)
{
    return cp == Codepage::cp866 ? cp866_to_utf8(bytes) : cp1251_to_utf8(bytes);
}

Codepage guess_codepage(std::string_view bytes)
{
    // CP866 letters А..п sit at 0x80..0xAF, where Windows-1251 has rare
    // symbols; Windows-1251 letters А..Я and р..я sit at 0xC0..0xDF and
    // 0xF0..0xFF, where CP866 has box drawing and rare symbols.
    long cp866 = 0, cp1251 = 0;
    for (unsigned char b : bytes) {
        cp866 += b >= 0x80 && b <= 0xAF;
        cp1251 += (b >= 0xC0 && b <= 0xDF) || b >= 0xF0;
    }
    return cp866 > cp1251 ? Codepage::cp866 : Codepage::cp1251;
}

}  // namespace host
