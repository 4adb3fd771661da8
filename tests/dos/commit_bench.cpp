/*
** The cost of keeping an answer on DOS: one journal row written and
** committed through the DOS file layer (INT 21h/40h, then 68h or the
** duplicate-and-close fallback), as the program does before it reads the
** next key. Linked in place of the runner's program_main (dos/build.sh
** --bench); prints the median and the worst of 1,000 rows, timed with the
** 8253 timer's counts (0.84 microseconds), and ends with status 0.
*/
#include "base/decimal.h"
#include "dos/bios.h"
#include "dos/clock_dos.h"
#include "platform/platform.h"
#include "runner/runner.h"

enum { rows = 1000 };

/* the start-up code's message when there is no VGA (the runner's is not linked) */
const char error_display_text[] = "Error: no VGA.\n";

static uint32_t times[rows];

/* Appends "NAME N.NNN ms" for a number of timer counts. */
static char *put_ms(char *out, const char *name, uint32_t n)
{
    while (*name)
        *out++ = *name++;
    uint32_t us = n * 838 / 1000;
    out = format_uint(out, us / 1000, 1);
    *out++ = '.';
    out = format_uint(out, us % 1000, 3);
    *out++ = ' ';
    *out++ = 'm';
    *out++ = 's';
    return out;
}

int program_main(void)
{
    static const char name[] = "S9999998.CSV";
    static const char row[] = "9f0c2a41d3b87e65,P017,answer_confirmed,7904,2026-12-08T10:15:10,1,2,3,3,1,3694,2802"
                              ",,,,,,,,,,,,,,,\r\n";
    file_delete(name);
    FileHandle f = file_open(name, "wxb");
    if (!f)
        return 1;
    for (int i = 0; i < rows; i++) {
        uint32_t start = clock_counts();
        if (file_write(row, 1, sizeof row - 1, f) != sizeof row - 1 || file_commit(f) != 0)
            return 3;
        uint32_t t = clock_counts() - start;
        /* insertion into the sorted times so far */
        int k = i;
        for (; k > 0 && times[k - 1] > t; k--)
            times[k] = times[k - 1];
        times[k] = t;
    }
    file_close(f);
    file_delete(name);

    char text[96], *p = text;
    p = put_ms(p, "journal row write + commit (1,000 rows): median ", times[rows / 2]);
    p = put_ms(p, ", worst ", times[rows - 1]);
    *p++ = '\n';
    *p = 0;
    show_error(text);
    return 0;
}
