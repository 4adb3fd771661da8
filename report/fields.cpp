#include "report/fields.h"

namespace report {

bool parse_int(std::string_view s, int64_t &out)
{
    if (s.empty() || s.size() > 18)
        return false;
    int64_t v = 0;
    for (char c : s) {
        if (c < '0' || c > '9')
            return false;
        v = v * 10 + (c - '0');
    }
    out = v;
    return true;
}

bool is_local_time(std::string_view s)
{
    static const char pattern[] = "dddd-dd-ddTdd:dd:dd";
    if (s.size() != sizeof pattern - 1)
        return false;
    for (size_t i = 0; i < s.size(); i++)
        if (pattern[i] == 'd' ? (s[i] < '0' || s[i] > '9') : s[i] != pattern[i])
            return false;
    return true;
}

bool is_participant_id(std::string_view s)
{
    if (s.size() > 32)
        return false;
    for (char c : s)
        if (c < 0x21 || c > 0x7E)
            return false;
    return true;
}

std::string hex32(uint32_t v)
{
    static const char digits[] = "0123456789abcdef";
    std::string out(8, '0');
    for (int i = 7; i >= 0; i--, v >>= 4)
        out[size_t(i)] = digits[v & 15];
    return out;
}

std::string hex64(uint64_t v)
{
    return hex32(uint32_t(v >> 32)) + hex32(uint32_t(v));
}

}  // namespace report
