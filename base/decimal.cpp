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
