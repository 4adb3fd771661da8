/* The result file: heading, one marked line per item, totals. */
#include "runner/runner.h"
#include "base/decimal.h"
#include "base/memory.h"
#include "platform/platform.h"

uint8_t cp866_to_cp1251(uint8_t c)
{
    if (c >= 0x80 && c <= 0xAF)
        return (uint8_t)(c + 0x40);
    if (c >= 0xE0 && c <= 0xEF)
        return (uint8_t)(c + 0x10);
    if (c == 0xF0)
        return 0xA8;
    if (c == 0xF1)
        return 0xB8;
    return c;
}

/* The file being written, and how many bytes did not go in. */
static FileHandle out;
static uint32_t missing;

static void write_bytes(const char *bytes, uint32_t count)
{
    missing += count - file_write(bytes, 1, count, out);
}

/* Text bytes go one write call each, in the result file's code page. */
static void write_text(const char *text, uint32_t count)
{
    for (uint32_t i = 0; i < count; i++) {
        char c = (char)result_text_byte((uint8_t)text[i]);
        write_bytes(&c, 1);
    }
}

static void write_message(const RunState *run, int number)
{
    const char *text = run_message(run, number);
    if (text)
        write_text(text, str_len(text));
}

static void write_lines(const RunState *run, int n)
{
    const TestTable *table = run->items;
    write_message(run, msg_result_heading);
    write_bytes("\r\n\r\n", 4);
    uint32_t right = 0, wrong = 0;
    for (int j = 0; j < table->count; j++) {
        const TestItem *item = &table->items[j];
        char prefix[4] = {' ', ' ', '|', ' '};
        if (j < n && run->answer_log[j] != logged_timed_out) {  /* its time ran out: no mark, as not reached */
            prefix[0] = run->answer_log[j] == logged_right ? '+' : '-';
            if (run->answer_log[j] == logged_right)
                right++;
            else
                wrong++;
        }
        write_bytes(prefix, 4);
        write_text(item->text, item->text_length > 1 ? item->text_length - 1u : 0);
        write_bytes("\r\n", 2);
    }
    write_bytes("\r\n", 2);
    write_message(run, msg_totals_label);

    char summary[64];
    char *end = summary;
    *end++ = ' ';
    end = format_uint(end, right, 1);
    for (const char *s = "(+) "; *s; s++)
        *end++ = *s;
    end = format_uint(end, wrong, 1);
    for (const char *s = "(-) ("; *s; s++)
        *end++ = *s;
    end = format_uint(end, right + wrong, 1);
    *end++ = '/';
    end = format_uint(end, table->count, 1);
    *end++ = ')';
    write_bytes(summary, (uint32_t)(end - summary));
    write_bytes("\r\n", 2);
}

/* Written under the name with .TMP for its extension, committed, and only
** then renamed over the old file: a failure never leaves a part of it. */
int write_results(const RunState *run)
{
    int answered = run->current_item;
    int n = answered < run->items->count ? answered : run->items->count;
    if (n <= 0)
        return 0;
    const char *name = result_file_name();
    char temporary[16];
    uint32_t length = str_len(name);
    mem_move(temporary, name, length + 1);
    mem_move(temporary + length - 3, "TMP", 3);  /* the names are 8.3 */

    out = file_open(temporary, "wb");
    missing = !out;
    write_lines(run, n);
    missing += file_commit(out) != 0;
    missing += file_close(out) != 0;
    if (!missing && file_replace(temporary, name) == 0)
        return 1;
    file_delete(temporary);
    return -1;
}
