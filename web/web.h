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

/* ---- the working folder: the page's files, held in JavaScript ----------
** web_file_open: create makes the file empty (or new); fresh fails when a
** file of that name exists. web_file_commit (suspends) until the file's
** bytes are in the browser's storage: 0 done, -1 failed. web_file_name
** copies the index-th name of the folder into name (size bytes with the
** end); 0 when there is no such file. */
int web_file_open(const char *name, int read, int write, int create, int fresh);  /* handle, 0 failed */
uint32_t web_file_read(int handle, void *buffer, uint32_t count);
uint32_t web_file_write(int handle, const void *buffer, uint32_t count);
int web_file_close(int handle);                                        /* 0 closed */
void web_file_seek(int handle, int32_t offset, int origin);
int32_t web_file_tell(int handle);
int web_file_exists(const char *name);
int web_file_commit(int handle);
int web_file_truncate(int handle, int32_t size);                       /* 0 done */
int web_file_replace(const char *from, const char *to);                /* 0 done */
int web_file_delete(const char *name);                                 /* 0 done */
int web_file_name(int index, char *name, int size);

/* ---- the session: clock, local time, the page's options ---------------
** web_clock_ms: performance.now() in whole ms; web_clock_resolution_us its
** measured step. web_local_time fills year, month, day, hour, minute,
** second. web_arguments: the options the page gives the program (/P:,
** /R:FILE), as one string into text (size bytes with the end). */
uint32_t web_clock_ms(void);
uint32_t web_clock_resolution_us(void);
void web_local_time(uint16_t *parts);
void web_arguments(char *text, int size);
void web_entropy(uint8_t *out, int count);

/* ---- the display --------------------------------------------------------
** web_display_open asks "Run in fullscreen mode?" in the page (suspends
** until answered) and shows the canvas that paints image (a whole BMP
** file image); 1 opened, 0 no canvas. web_display_dirty: the screen changed,
** paint before the next wait. */
int web_display_open(const uint8_t *image, uint32_t length);
void web_display_close(void);
void web_display_dirty(void);
/* web_wait_shown (suspends): paints, then returns once the browser has
** presented that frame (or at once when the page is hidden or going). */
void web_wait_shown(void);

/* ---- waiting ------------------------------------------------------------
** web_let_events_in (suspends): paints, then lets the key presses that
** came while the program was busy reach the key channel.
** web_sleep (suspends) until web_wake; web_wake is called from inside the
** program and only schedules the wake-up. web_sleep_for (suspends) the
** same, but no longer than ms (the page's timer wakes it). */
void web_let_events_in(void);
void web_sleep(void);
void web_sleep_for(uint32_t ms);
void web_wake(void);

/* ---- the core's rules, asked by the page before a run (web/rules.cpp) ---
** Exported; called on a module that runs no program. */
int web_archive_header(void);      /* 1: MERIDOKA.WDL begins an archive */
int web_archive_cyrillic(void);    /* 1: its texts are Russian */
int web_archive_offers_resume(void);  /* 1: its settings offer a resume */
int web_options_refused(void);     /* 1: the program would refuse the page's options */
const char *web_journal_header(void);
/* The session rules (runner/session_rules.h) over the journal JOURNAL.CSV:
** its SessionState (session_damaged also when the file is no journal);
** then the details of that journal: web_journal_number 0 answered, 1
** items, 2 where its last session_end row begins (-1: none);
** web_journal_start 0 session, 1 participant, 2 archive CRC-32, 3 local
** time of its session_start row ("" when unread). */
int web_journal_judge(void);
int32_t web_journal_number(int which);
const char *web_journal_start(int which);

/* ---- the end ------------------------------------------------------------ */
void web_show_error(const char *text);
void web_program_ended(int status);

}

#endif
