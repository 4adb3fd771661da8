/*
** The session journal (README, "Session journals"): one CSV file per
** session, S0000001.CSV and up, every event a row written at once, every
** answer forced to the disk before the next key is read; read again to
** resume a session that was cut short.
*/
#ifndef MERIDOKA_JOURNAL_H
#define MERIDOKA_JOURNAL_H

#include <stdint.h>

#include "platform/platform.h"
#include "runner/journal_columns.h"
#include "runner/session_rules.h"
#include "runner/command_line.h"

struct RunState;

enum { no_value = 0xFFFFFFFFu };

/* An item's entry in the answer log: wrong, right, or closed unanswered
** when its time ran out (item_timeout). */
enum { logged_wrong = 0, logged_right = 1, logged_timed_out = 2 };

/* The journal of the running session (part of RunState). */
struct Journal {
    FileHandle file;
    int32_t length;          /* bytes of whole rows in the file */
    uint32_t ms_base;        /* ms when this run's clock started: 0, or a resumed session's last */
    uint32_t clock_base;     /* clock_ms at that moment */
    uint32_t last_ms;        /* of the latest row: ms never goes back */
    uint32_t shown_ms;       /* the current item's item_shown */
    uint32_t first_digit_ms; /* its first preview; no_value before it */
    int32_t undo_length;     /* what to cut it back to when no test was given (-1: delete it) */
    uint32_t archive_bytes;
    uint8_t resumed;         /* this run goes on with an earlier session */
    uint8_t failed;          /* a row could not be written: no more rows */
    char archive_crc32[9];   /* of the archive now, as the journal writes it */
    char session[participant_size];       /* 16 hex digits; the participant follows it */
    char participant[participant_size];
    char path[journal_path_size];
};

/* ---- rows (journal_writer.cpp) ------------------------------------------
** Each row goes out with one write; answers and session rows are committed
** (with the rows before them), item_shown and previews wait for the next
** commit. A row that fails is cut off again and ends the journal (failed).
**   journal_begin   the header and session_start of a new journal
**   journal_event   item_shown (once the item is on the screen), the answer
**                   events for `digit` on the current item at the last key's
**                   time (extra: the withdrawing key's scan code, or 1 right
**                   and 0 wrong), time_up and item_timeout (on the current
**                   item, at the moment the time ran out: the last key
**                   wait's key_time_ms), session_end with the totals so far
**   journal_resume  session_interrupted (noting a cut row that was dropped)
**                   and, while an item is left, session_resumed
*/
int journal_begin(RunState *run);
void journal_event(RunState *run, int event, int digit, int extra);
void journal_resume(RunState *run, int32_t cut_bytes);

/* ---- reading (journal_reader.cpp) ---------------------------------------
** A streaming reader that keeps only what resuming needs, judging the rows
** by the session rules (session_rules.h). A row is whole when it has every
** column and ends in CR LF; a last row that is not whole is a cut row
** (`cut` bytes after `kept`). A file that does not start with the header
** and a whole row, or any other row that is not whole, or one the rules
** refuse, make the journal damaged (`damaged` holds the row's line, 1 for
** the header).
*/
enum { scan_session, scan_participant, scan_archive_crc32, scan_started, scan_texts };

struct JournalScan {
    SessionRules rules;
    uint32_t last_ms;        /* ms of the last whole row */
    int32_t kept;            /* bytes up to the end of the last whole row */
    int32_t cut;             /* bytes after it */
    uint32_t damaged;
    uint32_t answered;       /* items closed (confirmed or timed out), in order from the first */
    uint32_t ended;          /* a session_end row ends it (session_ended, or session_left
                             ** but in a browser, where a left page is cut short) */
    uint32_t first_shown_ms; /* ms of the first item_shown: the test's time starts; no_value before */
    /* last: the 16-bit build reaches the fields above with one-byte offsets */
    char start[scan_texts][participant_size];   /* of the session_start row (scan_started: its local_time) */
};

/* Reads f from its start. Closed items go to answers[item - 1] (logged_*)
** while they fit in `capacity`; answers may be null. */
void journal_scan(FileHandle f, JournalScan *scan, uint8_t *answers, uint32_t capacity);

/* ---- files (journal_files.cpp) ------------------------------------------
**   journal_open    measures the archive (status 1 when it cannot be read),
**                   then makes a new journal under the next free number
**                   (status 3 when it cannot), or reopens the session that
**                   /R or /R:FILE names: checked (status 4), its cut row
**                   dropped, its answers in the answer log, the interruption
**                   written (status 3 when it cannot be); 0 when the test
**                   may begin
**   journal_discard no test was given after all: the new journal is removed,
**                   a resumed one cut back
**   journal_close   closes the file
** Each shows its own message when it fails (status 1 excepted: the caller's).
*/
int journal_open(RunState *run, const CommandLine *command);
/* 1 when the participant's most recent unfinished journal (as /R finds it)
** is whole and made with this archive: its name in run->journal.path, what
** it holds in *scan; else 0. */
int journal_unfinished(RunState *run, const char *participant, JournalScan *scan);
void journal_discard(RunState *run);
void journal_close(RunState *run);

/* The number of a journal's file name, S0000001.CSV .. S9999999.CSV in any
** case; 0 for any other name. */
uint32_t journal_number(const char *name);

#endif
