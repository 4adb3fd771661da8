/*
** The platform contract: everything the portable core (base/, archive/,
** graphics/, runner/) needs from the system it runs on. Each front end
** (win32/, dos/, sdl/, web/, headless/) implements it; the platform is
** chosen at link time. Code the front ends share beyond it lives apart,
** in frontend/: the key channel, screenshots, the screen in ordinary memory
** and its BMP header.
*/
#ifndef MERIDOKA_PLATFORM_H
#define MERIDOKA_PLATFORM_H

#include <stdint.h>

/* ---- files ---------------------------------------------------------------
** Stream-like calls over the platform's files. A null handle means "no
** file": every call accepts it and fails in its documented way. Names
** without a folder are in the working folder.
**   file_open   mode letters are read one by one: 'r' read access, 'w' write
**               access plus create-or-truncate, 'x' with 'w': create a new
**               file, fail when anything of that name exists (the check and
**               the creation are one step), '+' write access, anything else
**               (such as 'b') ignored. The file is opened without sharing:
**               while it is open, another open of it fails.
**   file_read   reads size*count bytes in one request; returns the number of
**               bytes read (not elements); 0 for a null handle.
**   file_write  the same for writing.
**   file_close  0 when closed, -1 when closing failed (or null handle).
**   file_seek   origin 0 start, 1 current, 2 end; returns 0 for a non-null
**               handle and 1 for null; the move's own success is not told.
**   file_tell   current position, or -1 (null handle, or unknown).
**   file_exists 1 when anything of that name exists (a folder too), else 0.
**               Only the front ends' shared screenshot code asks it
**               (frontend/screenshot.h); a front end without screenshots
**               (DOS) leaves it out.
**   file_commit forces everything written to f onto the disk before it
**               returns (a power cut after it loses none of it): 0 done,
**               -1 failed (or null handle).
**   file_truncate  makes the file (open for writing) size bytes long and
**               leaves the position at its new end: 0 done, -1 failed.
**   file_replace   renames `from` to `to`, replacing a file `to`; afterwards
**               `to` is the old file or the new one whole, and where the
**               system can, the change is on the disk: 0 done, -1 failed
**               (`to` is then untouched wherever the system allows).
**   file_delete removes a file: 0 done, -1 failed.
**   file_list   calls found(name, context) for files of the working folder
**               whose names match pattern ('?' one character, letters in
**               any case); it may report more (a system's own matching is
**               looser), so the caller checks every name. `name` is valid
**               during the call only.
*/
typedef void *FileHandle;

FileHandle file_open(const char *path, const char *mode);
uint32_t file_read(void *buffer, uint32_t size, uint32_t count, FileHandle f);
uint32_t file_write(const void *buffer, uint32_t size, uint32_t count, FileHandle f);
int file_close(FileHandle f);
int file_seek(FileHandle f, int32_t offset, int origin);
int32_t file_tell(FileHandle f);
int file_exists(const char *path);
int file_commit(FileHandle f);
int file_truncate(FileHandle f, int32_t size);
int file_replace(const char *from, const char *to);
int file_delete(const char *path);
void file_list(const char *pattern, void (*found)(const char *name, void *context), void *context);

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
**   video_wait_shown  returns once everything drawn so far is on the
**                 screen (the last repaint has been presented); at once
**                 where drawing shows directly (DOS), or with no display.
*/
int video_open(void);
void video_close(void);
void video_repaint(void);
void video_wait_shown(void);

/* ---- keys ----------------------------------------------------------------
** get_key: the PC scan code (set 1) of a fresh key press, or 0 for no key.
** 1 is Esc, 2..10 the main-row digits 1..9, 28 Enter, 14 Backspace; the
** letter and mark keys give their own codes (16..53) whatever the keyboard
** layout, which is how the ID screen types the same ID on every layout.
** key_time_ms: the clock_ms reading of the moment the key that the last
** get_key returned arrived (the key event's receipt); for "no key" and
** the closed window's Esc, the moment get_key returned.
** get_key_until: get_key that gives up when clock_ms reaches deadline_ms
** (a reading of the same clock): 0 then, and key_time_ms is deadline_ms
** itself, the moment the time ran out. 0 also means "no key" as from
** get_key; the caller tells a time-out by the clock (clock_ms() minus
** deadline_ms, taken in 32 bits, is not negative). A deadline already past
** gives 0 at once unless a fresh key is there.
** window_closed: 1 once the person closed the window (from then on every
** get_key reads Esc), else 0; always 0 where there is no window (DOS).
*/
uint8_t get_key(void);
uint8_t get_key_until(uint32_t deadline_ms);
uint32_t key_time_ms(void);
int window_closed(void);

/* ---- clock ---------------------------------------------------------------
**   clock_ms      milliseconds from a monotonic clock with an arbitrary
**                 start; wraps around at 2^32, so callers take differences
**                 in 32 bits. Any thread may call it.
**   clock_source  the clock's name as the session journal writes it ("qpc",
**                 "monotonic", "pit", "simulated", "performance.now") and, in *resolution_us,
**                 its resolution in microseconds (at least 1).
**   local_time    the local date and time now (year 4 digits, month 1..12,
**                 day 1..31, hour 0..23, minute and second 0..59).
*/
struct LocalTime {
    uint16_t year;
    uint8_t month, day, hour, minute, second;
};

uint32_t clock_ms(void);
const char *clock_source(uint32_t *resolution_us);
void local_time(LocalTime *now);

/* ---- the session ---------------------------------------------------------
**   program_arguments  the command line after the program's name, as one
**                 string: arguments apart by spaces, double quotes as typed.
**                 Where the system hands over an argument list (Linux, the
**                 headless tool) it is joined so: an argument that is empty
**                 or holds a space, tab or double quote is put in double
**                 quotes, with each of its own double quotes doubled.
**   session_entropy  fills out[0..8) with bits that differ from run to run
**                 and PC to PC: the system's random numbers where it has
**                 them, else a mix of its clocks.
**   build_name    the build as the session journal names it: "win64",
**                 "win32", "dos", "linux", "headless" or "web".
*/
const char *program_arguments(void);
void session_entropy(uint8_t out[8]);
const char *build_name(void);

/* ---- messages and results ------------------------------------------------
** show_error shows a message to the person at the PC: the exit messages,
** refusals of the command line and the usage text.
** result_file_name is the name of the result file in the working directory;
** result_text_byte turns one CP866 text byte into the result file's code page.
*/
void show_error(const char *text);
const char *result_file_name(void);
uint8_t result_text_byte(uint8_t c);

#endif
