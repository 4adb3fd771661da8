/* program_main: the whole life of a test run, from loading to exit status. */
#include "runner/runner.h"
#include "archive/archive.h"
#include "base/memory.h"
#include "graphics/gfx.h"
#include "platform/platform.h"

const char error_resources_text[] =
    "Error: not enough memory or error reading resources from \"MERIDOKA.WDL\" file.\n";
const char error_display_text[] = "Error: VGA adapter with at least 640x480 resolution required.\n";

const char *run_message(const RunState *run, int number)
{
    return msg_get(run->messages, run->messages_length, number);
}

static void run_test(RunState *run)
{
    gfx_set_font(run->font, run->font_length);
    run->current_item = 0;
    mem_fill(run->answer_log, 0, run->items->count);
    show_intro(run);
    show_item(run);
    for (;;) {
        uint8_t key = get_key();
        if (key >= key_digit_1 && key <= key_digit_9) {
            if (try_answer(run, key - 1)) {
                run->current_item++;
                if (run->current_item < run->items->count)
                    show_item(run);
            }
        }
        if (key == key_esc || run->current_item >= run->items->count)
            break;
    }
}

int program_main(void)
{
    RunState run = {};
    run.items = testinfo_load(resource_items);
    run.messages = (uint8_t *)res_load_text(resource_messages, &run.messages_length);
    run.font = (uint8_t *)res_load(resource_font, &run.font_length);
    run.answer_log = run.items ? (uint8_t *)mem_alloc(run.items->count) : 0;

    int status = status_resources;
    if (run.items && run.messages && run.font && run.answer_log && run.items->count > 0) {
        status = status_display;
        if (video_open()) {
            run_test(&run);
            video_close();
            write_results(&run);
            status = status_ran;
        }
    }

    gfx_set_font(0, 0);
    mem_free(run.answer_log);
    mem_free(run.font);
    mem_free(run.messages);
    testinfo_free(run.items);

    if (status == status_resources)
        show_error(error_resources_text);
    else if (status == status_display)
        show_error(error_display_text);
    return status;
}
