#include "base/decimal.h"

char *format_uint(char *out, uint32_t value, int min_digits)
{
    char digits[10];
    int n = 0;
    do {
        digits[n++] = (char)('0' + value % 10);
        value /= 10;
    } while (value);
    while (n < min_digits && n < 10)
        digits[n++] = '0';
    while (n)
        *out++ = digits[--n];
    return out;
}

char *format_hex(char *out, uint32_t value, int digits)
{
    while (digits--)
        *out++ = "0123456789abcdef"[(value >> (4 * digits)) & 15];
    return out;
}

uint32_t parse_uint(const char *text)
{
    uint32_t value = 0;
    if (!*text)
        return 0xFFFFFFFFu;
    for (; *text; text++) {
        uint32_t digit = (uint32_t)(*text - '0');
        if (digit > 9 || value > (0xFFFFFFFEu - digit) / 10)
            return 0xFFFFFFFFu;
        value = value * 10 + digit;
    }
    return value;
}
