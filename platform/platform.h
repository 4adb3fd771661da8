/*
** The platform contract: everything the portable core (base/, archive/,
** graphics/, runner/) needs from the system it runs on. Each front end
** (win32/, dos/, sdl/, web/, headless/) implements it; the platform is
** chosen at link time. Code the front ends share beyond it lives beside
** this file: the key channel, screenshots, the screen in ordinary memory and
** its BMP header.
*/
#ifndef MERIDOKA_PLATFORM_H
#define MERIDOKA_PLATFORM_H

#include <stdint.h>

/* ---- files ---------------------------------------------------------------
** Stream-like calls over the platform's files. A null handle means "no
** file": every call accepts it and fails in its documented way.
**   file_open   mode letters are read one by one: 'r' read access, 'w' write
**               access plus create-or-truncate, '+' write access, anything
**               else (such as 'b') ignored. The file is opened without
**               sharing: while it is open, another open of it fails.
**   file_read   reads size*count bytes in one request; returns the number of
**               bytes read (not elements); 0 for a null handle.
**   file_write  the same for writing.
**   file_close  0 when closed, -1 when closing failed (or null handle).
**   file_seek   origin 0 start, 1 current, 2 end; returns 0 for a non-null
**               handle and 1 for null; the move's own success is not told.
**   file_tell   current position, or -1 (null handle, or unknown).
**   file_exists 1 when anything of that name exists (a folder too), else 0.
**               Only the front ends' shared screenshot code asks it
**               (platform/screenshot.h); a front end without screenshots
**               (DOS) leaves it out.
*/
typedef void *FileHandle;

FileHandle file_open(const char *path, const char *mode);
uint32_t file_read(void *buffer, uint32_t size, uint32_t count, FileHandle f);
uint32_t file_write(const void *buffer, uint32_t size, uint32_t count, FileHandle f);
int file_close(FileHandle f);
int file_seek(FileHandle f, int32_t offset, int origin);
int32_t file_tell(FileHandle f);
int file_exists(const char *path);

/* ---- memory --------------------------------------------------------------
** Raw blocks for the program allocator (base/memory.h). A request the
** platform cannot serve gives null; whether blocks come zero-filled is the
** platform's business, the program allocator clears them itself.
*/
void *sys_alloc(uint32_t size);
void sys_free(void *block);

/* ---- display -------------------------------------------------------------
**   video_open    0 failed, 1 opened, 2 already open (nothing done).
**                 On success video_is_open (graphics/gfx.h) is 1 and the
**                 screen has been cleared with the current draw colour.
**   video_close   closes the display; nothing when it is not open.
**   video_repaint asks for the whole screen to be shown again from the
**                 buffer; a display without an off-screen buffer ignores it.
*/
int video_open(void);
void video_close(void);
void video_repaint(void);

/* ---- keys ----------------------------------------------------------------
** get_key: the PC scan code (set 1) of a fresh key press, or 0 for no key.
** 1 is Esc, 2..10 the main-row digits 1..9, 28 Enter.
*/
uint8_t get_key(void);

/* ---- messages and results ------------------------------------------------
** show_error shows one of the two exit messages to the person at the PC.
** result_file_name is the name of the result file in the working directory;
** result_text_byte turns one CP866 text byte into the result file's code page.
*/
void show_error(const char *text);
const char *result_file_name(void);
uint8_t result_text_byte(uint8_t c);

#endif
