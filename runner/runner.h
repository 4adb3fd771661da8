/*
** The test runner: driver, test screens, answer preview and scoring, result
** file. Everything one run works on is one record, RunState, which
** program_main owns and hands to the parts.
*/
#ifndef MERIDOKA_RUNNER_H
#define MERIDOKA_RUNNER_H

#include <stdint.h>
#include "archive/settings.h"
#include "archive/testinfo.h"
#include "runner/journal.h"

enum {
    key_none = 0,
    key_esc = 1,
    key_digit_1 = 2,   /* digits 1..9 are scan codes 2..10 */
    key_digit_2 = 3,
    key_digit_9 = 10,
    key_backspace = 14,
    key_enter = 28
};

/* Exit statuses of program_main. */
enum {
    status_ran = 0,
    status_resources = 1,
    status_display = 2,
    status_not_saved = 3,   /* the journal could not be made, or the results not written */
    status_refused = 4,     /* the command line was refused */
    status_left = -1        /* Esc before the session began: nothing to save, exits as status_ran */
};

/* One run, from loading until program_main returns. */
struct RunState {
    TestTable *items;
    uint8_t *messages;          /* the MESSAGES resource */
    uint32_t messages_length;
    uint8_t *font;              /* the DOS8X8RU resource */
    uint32_t font_length;
    uint8_t *answer_log;        /* per item: 1 answered right, 0 otherwise */
    int current_item;           /* the item on the screen; those before it are answered */
    Journal journal;
    AdminSettings admin;        /* the ADMINSET resource, all zero without one */
    /* time limits (time_limits.cpp): 0 for none */
    uint32_t test_limit_ms;
    uint32_t item_limit_ms;
    uint32_t test_start_ms;     /* journal ms of the first item_shown; no_value before it */
    uint32_t timed_out_at;      /* the clock_ms reading when that time ran out */
    uint8_t timed_out;          /* timeout_* of the last timed_key */
};

enum { timeout_none, timeout_item, timeout_test };

extern const char error_resources_text[];
extern const char error_display_text[];

/* Shows "Error: " and pattern with its first '%' replaced by `first` and
** the second by `second` (either may be null when unused). */
void show_error_with(const char *pattern, const char *first, const char *second);

int program_main(void);

/* The text of a message (msg_panel_heading ...), or null when it is missing. */
const char *run_message(const RunState *run, int number);

/* The instruction screen until a key is pressed (nothing without its text),
** then the empty test frame. */
void show_instruction(const RunState *run);
void white_screen(void);

/* Before the session (admin_screens.cpp): the ID screen, when the settings
** ask for an ID and the command line gave none, and the offer to resume
** that ID's unfinished session with this archive, when the settings say so
** and the command line asked for no resume. What they decide goes into
** *command as /P: and /R:FILE would. status_ran: go on with the session;
** status_left: Esc, no session; status_display. They open the display
** when they need it. */
int administer(RunState *run, CommandLine *command);
/* The character a key types into an ID (capital letters, digits, the marks
** of admin_marks), or 0. */
char scan_char(uint8_t key);
void show_frame(const RunState *run);
void show_item(const RunState *run);
void show_wrong_popup(const RunState *run, int show);

/* Time limits (time_limits.cpp).
**   limits_set    the limits from the settings, /T: overriding the test's
**   timed_key     get_key, but while a limit runs, at most until the item's
**                 time is up: 0 then, with run->timed_out saying which limit
**                 (else timeout_none); draws the remaining time when the
**                 settings show it
**   test_time_up  1 when the test's time has run out */
void limits_set(RunState *run, const CommandLine *command);
uint8_t timed_key(RunState *run);
int test_time_up(const RunState *run);

/* Result bits of a confirmed answer. */
enum { answer_right = 1, answer_past_training = 2 };

/* The answer cell (0..8, row by row) that digit 1..9 picks among the cells
** present, or -1 when there are fewer. */
int answer_cell(const TestItem *item, int digit);
/* The result bits of confirming digit on the item at index. */
int score_answer(const TestItem *item, int index, int digit);
/* Previews digit on the current item and waits for a key: Enter confirms
** (the result bits; a wrong training answer is refused with the popup), any
** other key withdraws the preview (0). When the time runs out meanwhile the
** preview goes without a row (0, run->timed_out set). */
int try_answer(RunState *run, int digit);

/* The result file for the items before run->current_item, written whole
** under a temporary name first: 1 written, 0 nothing to write (no item
** answered), -1 it could not be written (the old file stays). */
int write_results(const RunState *run);
uint8_t cp866_to_cp1251(uint8_t c);

#endif
