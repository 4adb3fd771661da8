/*
** The session journal's columns and events, in their fixed order: the one
** definition that the runner writes, the report and the store read, and
** the tests and the page's script are checked against (README, "Session
** journals"). Plain declarations only: it compiles everywhere the core does.
*/
#ifndef MERIDOKA_JOURNAL_COLUMNS_H
#define MERIDOKA_JOURNAL_COLUMNS_H

enum JournalColumn {
    col_session, col_participant, col_event, col_ms, col_local_time, col_item, col_digit, col_cell,
    col_correct_cell, col_right, col_rt_ms, col_first_digit_ms, col_key, col_item_text, col_program,
    col_version, col_build, col_archive_bytes, col_archive_crc32, col_items, col_clock,
    col_clock_resolution_us, col_ended_by, col_right_total, col_wrong_total, col_answered, col_note,
    journal_columns
};

enum JournalEvent {
    event_session_start, event_item_shown, event_previewed, event_withdrawn, event_refused,
    event_confirmed, event_interrupted, event_resumed, event_session_end,
    event_time_up,        /* the test's time limit ran out on the current item */
    event_item_timeout,   /* an item's time limit ran out: the item closes unanswered */
    journal_events
};

/* The byte-order mark and the header row, CR LF included. */
extern const char journal_header[];
extern const char *const journal_event_names[];

#endif
