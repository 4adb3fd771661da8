/* Numbers as text without a C library. */
#ifndef MERIDOKA_DECIMAL_H
#define MERIDOKA_DECIMAL_H

#include <stdint.h>

/* Writes value with at least min_digits digits (zeros in front, at most 10)
** to out, without a terminator; returns the new end. */
char *format_uint(char *out, uint32_t value, int min_digits);

/* Writes the low `digits` hexadecimal digits of value, lower case, to out,
** without a terminator; returns the new end. */
char *format_hex(char *out, uint32_t value, int digits);

/* The value of a text of decimal digits; 0xFFFFFFFF when it is empty, holds
** anything else or does not fit in 32 bits less one. */
uint32_t parse_uint(const char *text);

#endif
