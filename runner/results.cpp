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

/* Every write is counted: one short write spoils the file. */
struct ResultFile {
    FileHandle f;
    int ok;
};

static void write_bytes(ResultFile *out, const char *bytes, uint32_t count)
{
    if (file_write(bytes, 1, count, out->f) != count)
        out->ok = 0;
}

/* Text bytes go one write call each, in the result file's code page. */
static void write_text(ResultFile *out, const char *text, uint32_t count)
{
    for (uint32_t i = 0; i < count; i++) {
        char c = (char)result_text_byte((uint8_t)text[i]);
        write_bytes(out, &c, 1);
    }
}

static void write_message(ResultFile *out, const RunState *run, int number)
{
    const char *text = run_message(run, number);
    if (text)
        write_text(out, text, str_len(text));
}

static void write_lines(ResultFile *out, const RunState *run, int n)
{
    const TestTable *table = run->items;
    write_message(out, run, msg_result_heading);
    write_bytes(out, "\r\n\r\n", 4);
    uint32_t right = 0, wrong = 0;
    for (int j = 0; j < table->count; j++) {
        const TestItem *item = &table->items[j];
        char prefix[4] = {' ', ' ', '|', ' '};
        if (j < n) {
            prefix[0] = run->answer_log[j] == 1 ? '+' : '-';
            if (run->answer_log[j] == 1)
                right++;
            else
                wrong++;
        }
        write_bytes(out, prefix, 4);
        write_text(out, item->text, item->text_length > 1 ? item->text_length - 1u : 0);
        write_bytes(out, "\r\n", 2);
    }
    write_bytes(out, "\r\n", 2);
    write_message(out, run, msg_totals_label);

    char summary[64];
    char *end = summary;
    *end++ = ' ';
    end = format_uint(end, right, 1);
    for (const char *s = "(+) "; *s; s++)
        *end++ = *s;
    end = format_uint(end, wrong, 1);
    for (const char *s = "(-) ("; *s; s++)
        *end++ = *s;
    end = format_uint(end, (uint32_t)n, 1);
    *end++ = '/';
    end = format_uint(end, table->count, 1);
    *end++ = ')';
    write_bytes(out, summary, (uint32_t)(end - summary));
    write_bytes(out, "\r\n", 2);
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
    if (length < 4 || length >= sizeof temporary)
        return -1;
    mem_move(temporary, name, length - 3);
    mem_move(temporary + length - 3, "TMP", 4);

    ResultFile out = {file_open(temporary, "wb"), 1};
    if (!out.f)
        return -1;
    write_lines(&out, run, n);
    if (file_commit(out.f) != 0)
        out.ok = 0;
    if (file_close(out.f) != 0)
        out.ok = 0;
    if (out.ok && file_replace(temporary, name) == 0)
        return 1;
    file_delete(temporary);
    return -1;
}
