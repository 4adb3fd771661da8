/*
** Resource archive reader (the layout: archive/format.h). Every lookup
** opens the archive, reads header and directory, reads the one resource and
** closes the archive again.
*/
#ifndef MERIDOKA_ARCHIVE_H
#define MERIDOKA_ARCHIVE_H

#include <stdint.h>

#include "archive/format.h"
#include "platform/platform.h"

/* Loads the resource `name` (at most 8 characters compared) into a new
** zero-filled block from mem_alloc, unpacked if stored packed, and stores its
** length in *length (when length is not null; 0 on failure). Null when the
** archive cannot be opened, is not an archive, has no such entry, or memory
** runs out. Short reads are not errors: what was not read stays zero. */
void *res_load(const char *name, uint32_t *length);

/* res_load for a resource read as text: the block has one zero byte more
** after the resource's bytes (not counted in *length), so that a text that
** runs to the end of the resource stops there. */
void *res_load_text(const char *name, uint32_t *length);

/* Opens the archive file and reads its first archive_header_size bytes
** into header (zero past a short file's end), and no more. Null when it
** cannot be opened or does not begin as an archive (its magic). */
FileHandle archive_open(uint8_t *header);

/* Compares at most n characters, ASCII letters folded to lower case; stops
** where both names end. Returns the signed 8-bit difference, 0 for equal. */
int res_name_cmp(const char *a, const char *b, int n);

/* The size in bytes and the CRC-32 (base/crc32.h) of the whole archive
** file: 1, or 0 when it cannot be opened. */
int archive_measure(uint32_t *size, uint32_t *crc);

#endif
