/* Answer preview and scoring: a digit shows its answer in the empty cell,
** only Enter confirms it. */
#include "runner/runner.h"
#include "runner/layout.h"
#include "base/memory.h"
#include "graphics/gfx.h"
#include "platform/platform.h"

static int cell_x(int c) { return problem_x + cell_pitch_x * (c % 3); }
static int cell_y(int top, int c) { return top + cell_pitch_y * (c / 3); }

int answer_cell(const TestItem *item, int digit) { return option_cell((uint32_t)item_option_mask(item), digit); }

int score_answer(const TestItem *item, int index, int digit)
{
    int result = item->answer == digit ? answer_right : 0;
    if (index >= training_items)
        result += answer_past_training;
    return result;
}

int try_answer(RunState *run, int digit)
{
    int index = run->current_item;
    const TestItem *item = &run->items->items[index];
    int chosen = answer_cell(item, digit);
    if (chosen < 0)
        return 0;

    /* Without a valid empty cell there is nowhere to preview; the answer can
    ** still be confirmed, so the test stays completable. */
    int empty = item_empty_cell(item) - 1;
    int has_cell = empty >= 0 && empty <= 8;
    uint32_t cell_bytes = bitmap_size(cell_width, cell_height);
    void *background = 0;
    if (has_cell) {
        background = gfx_get_image(cell_x(empty), cell_y(problem_y, empty), cell_width, cell_height);
        if (!background)
            return 0;
        void *answer = gfx_get_image(cell_x(chosen), cell_y(answer_y, chosen), cell_width, cell_height);
        if (answer) {
            gfx_put_image(cell_x(empty), cell_y(problem_y, empty), answer, cell_bytes);
            mem_free(answer);
        }
    }

    journal_event(run, event_previewed, digit, 0);

    int result = 0, event = event_withdrawn, extra = timed_key(run);
    if (run->timed_out)
        event = -1;  /* the preview goes with the item, without a row of its own */
    else if (extra == key_enter) {
        result = score_answer(item, index, digit);
        run->answer_log[index] = (uint8_t)(result & answer_right);
        event = result ? event_confirmed : event_refused;
        extra = result & answer_right;
    }
    /* before the popup's key is read: Enter's row, or the withdrawing key's */
    if (event >= 0)
        journal_event(run, event, digit, extra);
    if (event == event_refused) {
        show_wrong_popup(run, 1);
        timed_key(run);
        show_wrong_popup(run, 0);
    }

    if (has_cell) {
        gfx_put_image(cell_x(empty), cell_y(problem_y, empty), background, cell_bytes);
        mem_free(background);
    }
    return result;
}
