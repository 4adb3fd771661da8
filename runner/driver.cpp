/* program_main: the whole life of a test run, from loading to exit status. */
#include "runner/runner.h"
#include "archive/archive.h"
#include "base/memory.h"
#include "graphics/gfx.h"
#include "platform/platform.h"

TestTable *item_table;
void *message_table;
uint32_t message_length;
uint8_t *font_block;
uint32_t font_length;
uint8_t *answer_log;
int current_item;

const char error_resources_text[] =
    "Error: not enough memory or error reading resources from \"MERIDOKA.WDL\" file.\n";
const char error_display_text[] = "Error: VGA adapter with at least 640x480 resolution required.\n";

static void run_test(void)
{
    gfx_set_font(font_block, font_length);
    current_item = 0;
    mem_fill(answer_log, 0, item_table->count);
    show_intro();
    show_item(0);
    for (;;) {
        uint8_t key = get_key();
        if (key >= key_digit_1 && key <= key_digit_9) {
            if (try_answer(current_item, key - 1)) {
                current_item++;
                if (current_item < item_table->count)
                    show_item(current_item);
            }
        }
        if (key == key_esc || current_item >= item_table->count)
            break;
    }
}

int program_main(void)
{
    item_table = testinfo_load("TESTINFO");
    message_table = res_load("MESSAGES", &message_length);
    font_block = (uint8_t *)res_load("DOS8X8RU", &font_length);
    answer_log = item_table ? (uint8_t *)mem_alloc(item_table->count) : 0;

    int status = status_resources;
    if (item_table && message_table && font_block && answer_log && item_table->count > 0) {
        status = status_display;
        if (video_open()) {
            run_test();
            video_close();
            write_results(current_item);
            status = status_ran;
        }
    }

    gfx_set_font(0, 0);
    mem_free(answer_log);
    mem_free(font_block);
    mem_free(message_table);
    testinfo_free(item_table);
    answer_log = 0;
    font_block = 0;
    message_table = 0;
    item_table = 0;

    if (status == status_resources)
        show_error(error_resources_text);
    else if (status == status_display)
        show_error(error_display_text);
    return status;
}
