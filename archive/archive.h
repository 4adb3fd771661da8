/*
** Resource archive reader.
**
** Layout (all integers little-endian):
**   header, 12 bytes at offset 0: "WDLZ", u16 entry_count, u16 reserved,
**                                 u32 directory_offset
**   directory, entry_count * 16 bytes: u32 data_offset, u16 stored_size,
**                                 u16 unpacked_size (0 = stored plain),
**                                 8-byte name (zero-terminated if shorter)
** Every lookup opens the archive, reads header and directory, reads the one
** resource and closes the archive again.
*/
#ifndef MERIDOKA_ARCHIVE_H
#define MERIDOKA_ARCHIVE_H

#include <stdint.h>

extern const char archive_file_name[];   /* "MERIDOKA.WDL" */

enum {
    archive_header_size = 12,
    archive_entry_size = 16,
    archive_name_size = 8
};

/* Loads the resource `name` (at most 8 characters compared) into a new
** zero-filled block from mem_alloc, unpacked if stored packed, and stores its
** length in *length (when length is not null; 0 on failure). Null when the
** archive cannot be opened, is not an archive, has no such entry, or memory
** runs out. Short reads are not errors: what was not read stays zero. */
void *res_load(const char *name, uint32_t *length);

/* Compares at most n characters, ASCII letters folded to lower case; stops
** where both names end. Returns the signed 8-bit difference, 0 for equal. */
int res_name_cmp(const char *a, const char *b, int n);

#endif
