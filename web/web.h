/*
** What the web platform layer asks of the page (web/library.js): plain
** calls into JavaScript. The three marked "suspends" give the browser back
** its thread: the program sleeps there (Asyncify) and carries on when the
** page wakes it, so the blocking core runs unchanged in a web page.
*/
#ifndef MERIDOKA_WEB_H
#define MERIDOKA_WEB_H

#include <stdint.h>

extern "C" {

/* ---- the working folder: the page's files, held in JavaScript ---------- */
int web_file_open(const char *name, int read, int write, int create);  /* handle, 0 failed */
uint32_t web_file_read(int handle, void *buffer, uint32_t count);
uint32_t web_file_write(int handle, const void *buffer, uint32_t count);
int web_file_close(int handle);                                        /* 0 closed */
void web_file_seek(int handle, int32_t offset, int origin);
int32_t web_file_tell(int handle);
int web_file_exists(const char *name);

/* ---- the display --------------------------------------------------------
** web_display_open asks "Run in fullscreen mode?" in the page (suspends
** until answered) and shows the canvas that paints image (a whole BMP
** file image); 1 opened, 0 no canvas. web_display_dirty: the screen changed,
** paint before the next wait. */
int web_display_open(const uint8_t *image, uint32_t length);
void web_display_close(void);
void web_display_dirty(void);

/* ---- waiting ------------------------------------------------------------
** web_let_events_in (suspends): paints, then lets the key presses that
** came while the program was busy reach the key channel.
** web_sleep (suspends) until web_wake; web_wake is called from inside the
** program and only schedules the wake-up. */
void web_let_events_in(void);
void web_sleep(void);
void web_wake(void);

/* ---- the end ------------------------------------------------------------ */
void web_show_error(const char *text);
void web_program_ended(int status);

}

#endif
