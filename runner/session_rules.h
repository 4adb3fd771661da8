/*
** What a journal's rows make of its session: the one statement of these
** rules. The runner follows them when it resumes (journal_reader.cpp), the
** report's reader when it adds a journal to the store, and the page when it
** offers a resume (through the module, web/rules.cpp).
**
** Each whole row goes to session_take in order, with the few fields the
** rules look at; a row that is not whole goes to session_partial. The
** rules:
**   - the first row is session_start, and there is no second one;
**   - a row that is not whole is a cut last row when nothing follows it
**     (a crash while it was written: dropped, never trusted), else damage;
**   - items close in order, one row each: answer_confirmed, or
**     item_timeout when the item's time limit ran out;
**   - session_resumed follows a session_interrupted;
**   - nothing follows session_end, except where the page was left before
**     the last item (ended_by closed): a resumed page withdraws that row,
**     so the journal either ends with it (the session can be taken up
**     again, its row cut off first) or goes on with session_interrupted
**     (the copy a server receives of a resumed browser session: one
**     resumed session, not damage).
** Plain declarations only: it compiles everywhere the core does.
*/
#ifndef MERIDOKA_SESSION_RULES_H
#define MERIDOKA_SESSION_RULES_H

#include <stdint.h>

/* What the rows so far make of the session. */
enum SessionState {
    session_none,      /* no whole row yet */
    session_open,      /* cut short: it can be taken up again */
    session_left,      /* ended because the page was left before the last item */
    session_ended,     /* ended for good (completed, Esc, a window closed) */
    session_damaged
};

/* Why a row is refused (row_taken: it is not). */
enum RowVerdict {
    row_taken,
    row_cut,                /* not whole, and the last: dropped */
    row_not_whole,          /* not whole, and more follows */
    row_first_not_start,
    row_second_start,
    row_unknown_event,
    row_answer_out_of_order,  /* or an item_timeout out of order */
    row_resumed_alone,      /* session_resumed without session_interrupted */
    row_after_end
};

struct SessionRules {
    uint32_t items;       /* of session_start */
    uint32_t answered;    /* items closed (confirmed or timed out), in order from the first */
    uint32_t resumes;     /* session_resumed rows */
    int32_t end_at;       /* where the last session_end row begins (-1: none): a
                          ** resumed page cuts a left session back to it */
    uint8_t state;        /* SessionState */
    uint8_t interrupted;  /* a session_interrupted waits for its session_resumed */
    uint8_t withdrawn;    /* a left page's session_end was taken back */
};

/* The fields of one whole row that the rules read. */
struct SessionRow {
    int event;            /* JournalEvent; any other number: an unknown name */
    uint32_t item;        /* answer_confirmed, item_timeout: its item */
    uint32_t items;       /* session_start: the test's items */
    int closed;           /* session_end: ended_by is "closed" */
    int32_t at;           /* the row's first byte in the file */
};

void session_begin(SessionRules *s);
/* Each returns a RowVerdict; any but row_taken and row_cut leaves the
** session damaged, and later rows are not looked at (row_taken). */
int session_take(SessionRules *s, const SessionRow *row);
int session_partial(SessionRules *s, int last);

#endif
