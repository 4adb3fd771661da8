/* The archive's texts are CP866; the session journal is UTF-8. This is the
** one table of the code page: the host tools take theirs from it too. */
#ifndef MERIDOKA_CP866_H
#define MERIDOKA_CP866_H

#include <stdint.h>

/* The character a CP866 byte shows. Every byte has one of its own: 0x01 to
** 0x1F (but 0x0A, the line break) and 0x7F are the PC's graphic symbols
** (smileys, arrows, ...), as the font draws them; 0x00 gives U+0000. */
uint32_t cp866_code_point(uint8_t c);

/* Writes the UTF-8 form of a CP866 byte (1 to 3 bytes) to out; returns
** the new end. */
char *cp866_to_utf8(char *out, uint8_t c);

#endif
