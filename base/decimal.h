/* Decimal numbers without a C library. */
#ifndef MERIDOKA_DECIMAL_H
#define MERIDOKA_DECIMAL_H

#include <stdint.h>

/* Writes value with at least min_digits digits (zeros in front, at most 10)
** to out, without a terminator; returns the new end. */
char *format_uint(char *out, uint32_t value, int min_digits);

#endif
