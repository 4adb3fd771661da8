/*
** Time limits: the key waits of a test with a limit for the whole test (it
** runs from the first item on the screen, over resumes: the journal's ms
** go on from the last row) or for each item (from its item_shown), and the
** remaining time on the screen. Deadlines are journal ms; a wait turns its
** deadline into a clock_ms reading through the journal's clock base.
*/
#include "runner/runner.h"
#include "runner/layout.h"
#include "base/decimal.h"
#include "graphics/gfx.h"
#include "platform/platform.h"

void limits_set(RunState *run, const CommandLine *command)
{
    uint32_t minutes = command->test_minutes ? command->test_minutes : run->admin.test_minutes;
    run->test_limit_ms = minutes * 60000u;
    run->item_limit_ms = run->admin.item_seconds * 1000u;
    run->test_start_ms = no_value;
}

/* The journal ms at which the current item's time runs out (the nearer of
** the two limits; the test's wins a tie), its timeout_* in *kind. */
static uint32_t item_deadline(const RunState *run, int *kind)
{
    uint32_t at = 0;
    *kind = timeout_none;
    if (run->item_limit_ms) {
        at = run->journal.shown_ms + run->item_limit_ms;
        *kind = timeout_item;
    }
    if (run->test_limit_ms && run->test_start_ms != no_value) {
        uint32_t test = run->test_start_ms + run->test_limit_ms;
        if (*kind == timeout_none || (int32_t)(test - at) <= 0) {
            at = test;
            *kind = timeout_test;
        }
    }
    return at;
}

int test_time_up(const RunState *run)
{
    const Journal *j = &run->journal;
    if (!run->test_limit_ms || run->test_start_ms == no_value)
        return 0;
    uint32_t end = j->clock_base + (run->test_start_ms + run->test_limit_ms - j->ms_base);
    return (int32_t)(clock_ms() - end) >= 0;
}

/* "m:ss" of the seconds left, rounded up, centred at the panel's foot. */
static void show_time_left(uint32_t ms)
{
    uint32_t seconds = (ms + 999) / 1000;
    char text[16];
    char *end = format_uint(text, seconds / 60, 1);
    *end++ = ':';
    *format_uint(end, seconds % 60, 2) = 0;
    gfx_set_colour(1);
    gfx_bar(panel_x + 1, time_left_y, screen_width - 2, time_left_y + 7);
    gfx_set_colour(0);
    gfx_text_centred(panel_x, time_left_y, panel_width, text);
}

uint8_t timed_key(RunState *run)
{
    int kind;
    uint32_t deadline = item_deadline(run, &kind);
    run->timed_out = timeout_none;
    if (kind == timeout_none)
        return get_key();
    const Journal *j = &run->journal;
    uint32_t end = j->clock_base + (deadline - j->ms_base);
    for (;;) {
        uint32_t now = clock_ms(), wake = end;
        int32_t left = (int32_t)(end - now);
        if (run->admin.show_time && left > 0) {
            show_time_left((uint32_t)left);
            wake = now + (uint32_t)((left - 1) % 1000 + 1);  /* when the shown second changes */
        }
        uint8_t key = get_key_until(wake);
        if (key || (int32_t)(clock_ms() - wake) < 0)
            return key;
        if (wake == end) {
            run->timed_out = (uint8_t)kind;
            run->timed_out_at = end;
            return 0;
        }
    }
}
