/*
** Where the time of drawing an item goes on DOS (a figure, not a test):
** every item of the archive in the folder drawn as the runner draws it,
** and its parts timed apart with the 8253 timer's counts: the archive's
** directory read through (a lookup of a name it does not hold), the two
** pictures loaded (looked up, read, unpacked), the two put on the screen,
** and the whole item (show_item: the pictures again, the cell labels, the
** counter and the item's text). Linked in place of the runner's
** program_main (dos/build.sh --bench); prints the mean of each in ms.
*/
#include "archive/archive.h"
#include "base/decimal.h"
#include "base/memory.h"
#include "dos/bios.h"
#include "dos/clock_dos.h"
#include "graphics/gfx.h"
#include "platform/platform.h"
#include "runner/layout.h"
#include "runner/runner.h"

const char error_display_text[] = "Error: no VGA.\n";

enum { part_lookup, part_load, part_put, part_item, parts };

int program_main(void)
{
    static RunState run;
    static const char *const names[parts] = {"directory ", ", pictures loaded ", ", put ",
                                             ", whole item "};
    uint32_t total[parts] = {};
    run.items = testinfo_load(resource_items);
    run.messages = (uint8_t *)res_load_text(resource_messages, &run.messages_length);
    run.font = (uint8_t *)res_load(resource_font, &run.font_length);
    if (!run.items || !run.messages || !run.font || !video_open())
        return 1;
    gfx_set_font(run.font, run.font_length);
    show_frame(&run);
    int n = run.items->count;
    for (run.current_item = 0; run.current_item < n; run.current_item++) {
        const TestItem *item = &run.items->items[run.current_item];
        char name[2][9];
        void *picture[2];
        uint32_t size[2];
        for (int k = 0; k < 2; k++) {
            int i = 0;
            for (; i < picture_base_size && item->name[i]; i++)
                name[k][i] = item->name[i];
            name[k][i] = (char)(k ? picture_answers_suffix : picture_problem_suffix);
            name[k][i + 1] = 0;
        }
        uint32_t t0 = clock_counts();
        res_load("NO-SUCH", 0);
        uint32_t t1 = clock_counts();
        picture[0] = res_load(name[0], &size[0]);
        picture[1] = res_load(name[1], &size[1]);
        uint32_t t2 = clock_counts();
        gfx_put_image(problem_x, problem_y, picture[0], size[0]);
        gfx_put_image(problem_x, answer_y, picture[1], size[1]);
        uint32_t t3 = clock_counts();
        show_item(&run);
        uint32_t t4 = clock_counts();
        mem_free(picture[0]);
        mem_free(picture[1]);
        total[part_lookup] += t1 - t0;
        total[part_load] += t2 - t1;
        total[part_put] += t3 - t2;
        total[part_item] += t4 - t3;
    }
    video_close();

    char text[160], *p = text;
    for (int k = 0; k < parts; k++) {
        for (const char *s = names[k]; *s; s++)
            *p++ = *s;
        uint32_t us = total[k] / (uint32_t)n * 838 / 1000;  /* mean counts to microseconds */
        p = format_uint(p, us / 1000, 1);
        *p++ = '.';
        p = format_uint(p, us % 1000 / 100, 1);
        *p++ = ' ';
        *p++ = 'm';
        *p++ = 's';
    }
    *p++ = '\n';
    *p = 0;
    show_error(text);
    return 0;
}
