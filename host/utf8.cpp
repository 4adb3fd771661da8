#include "host/utf8.h"

namespace host {

size_t invalid_utf8_at(std::string_view s)
{
    size_t i = 0;
    while (i < s.size()) {
        const auto b = static_cast<unsigned char>(s[i]);
        if (b < 0x80) {
            i++;
            continue;
        }
        size_t n = b >= 0xC2 && b <= 0xDF ? 1 : b >= 0xE0 && b <= 0xEF ? 2 : b >= 0xF0 && b <= 0xF4 ? 3 : 0;
        if (n == 0 || s.size() - i <= n)
            return i;
        // the second byte's range excludes overlong forms, surrogates and > U+10FFFF
        const auto c = static_cast<unsigned char>(s[i + 1]);
        const unsigned lo = b == 0xE0 ? 0xA0 : b == 0xF0 ? 0x90 : 0x80;
        const unsigned hi = b == 0xED ? 0x9F : b == 0xF4 ? 0x8F : 0xBF;
        if (c < lo || c > hi)
            return i;
        for (size_t k = 2; k <= n; k++)
            if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80)
                return i;
        i += n + 1;
    }
    return std::string_view::npos;
}

bool is_lower_hex(std::string_view s, size_t digits)
{
    if (s.size() != digits)
        return false;
    for (char c : s)
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f')))
            return false;
    return true;
}

std::string utf8_prefix(std::string_view text, size_t bytes)
{
    if (text.size() <= bytes)
        return std::string(text);
    size_t n = bytes;
    while (n > 0 && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80)
        n--;  // text[n] continues a character: cut before that character
    return std::string(text.substr(0, n));
}

}  // namespace host
