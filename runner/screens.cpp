/* The instruction screen, the test frame, one item, and the popup. */
#include "runner/runner.h"
#include "runner/layout.h"
#include "archive/archive.h"
#include "base/decimal.h"
#include "base/memory.h"
#include "graphics/gfx.h"
#include "platform/platform.h"

void white_screen(void)
{
    gfx_set_colour(1);
    gfx_clear();
    gfx_set_colour(0);
}

void show_instruction(const RunState *run)
{
    white_screen();
    char *text = (char *)res_load_text(resource_instruction, 0);
    if (text) {
        gfx_text_paragraph(instruction_x, instruction_y, text);
        mem_free(text);
        gfx_text_centred(0, press_key_y, press_key_width, run_message(run, msg_press_key));
        get_key();
    }
}

void show_frame(const RunState *run)
{
    white_screen();
    gfx_line(frame_divider_x, 0, frame_divider_x, frame_bottom_y);
    gfx_line(0, frame_middle_y, frame_divider_x, frame_middle_y);
    gfx_line(0, frame_bottom_y, frame_divider_x, frame_bottom_y);
    gfx_text_centred(panel_x, heading_y, panel_width, run_message(run, msg_panel_heading));
    gfx_text_left(hint_x, hint_y, run_message(run, msg_hint));
}

static void put_picture(const char *base, char suffix, int y)
{
    char name[8];
    int n = 0;
    while (n < picture_base_size && base[n]) {
        name[n] = base[n];
        n++;
    }
    name[n] = suffix;
    if (n < picture_base_size)
        name[n + 1] = 0;
    uint32_t size;
    void *picture = res_load(name, &size);
    if (picture) {
        gfx_put_image(problem_x, y, picture, size);
        mem_free(picture);
    }
}

void show_item(const RunState *run)
{
    int index = run->current_item;
    const TestItem *item = &run->items->items[index];
    put_picture(item->name, picture_problem_suffix, problem_y);
    put_picture(item->name, picture_answers_suffix, answer_y);

    int mask = item_option_mask(item);
    int k = 0;
    for (int c = 0; c < 9; c++) {
        int x = label_x + label_pitch_x * (c % 3), y = label_y + cell_pitch_y * (c / 3);
        char glyph = (char)glyph_full_block;
        gfx_set_colour(1);
        gfx_text(x, y, &glyph, 1);
        if (mask & (1 << c)) {
            k++;
            glyph = (char)('0' + k);
            gfx_set_colour(0);
            gfx_text(x, y, &glyph, 1);
        }
    }

    gfx_set_colour(1);
    gfx_bar(panel_x + 1, counter_y, screen_width - 2, counter_clear_bottom);
    gfx_set_colour(0);

    char counter[24];
    char *end = format_uint(counter, (uint32_t)(index + 1) % 1000, 2);
    *end++ = '/';
    end = format_uint(end, (uint32_t)run->items->count % 1000, 2);
    *end = 0;
    gfx_text_centred(panel_x, counter_y, panel_width, counter);
    gfx_text_centred(panel_x, item_text_y, panel_width, item->text);
}

void show_wrong_popup(const RunState *run, int show)
{
    const char *text = run_message(run, msg_wrong_answer);
    int w = 8 * ((text ? (int)str_len(text) : 0) + 1);
    int x = panel_x + (panel_width - w) / 2;
    gfx_set_colour(1);
    gfx_bar(x - popup_margin, popup_top, x + popup_margin + w, popup_bottom);
    if (!show)
        return;
    gfx_set_colour(0);
    gfx_rect(x - popup_margin, popup_top, x + popup_margin + w, popup_bottom);
    gfx_text_left(x + popup_margin + 1, popup_text_y, text);
}
