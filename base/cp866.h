/* The archive's texts are CP866; the session journal is UTF-8. */
#ifndef MERIDOKA_CP866_H
#define MERIDOKA_CP866_H

#include <stdint.h>

/* Writes the UTF-8 form of a CP866 byte (1 to 3 bytes) to out; returns
** the new end. */
char *cp866_to_utf8(char *out, uint8_t c);

#endif
