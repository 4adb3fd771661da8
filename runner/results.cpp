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

static void write_bytes(FileHandle f, const char *bytes, uint32_t count)
{
    file_write(bytes, 1, count, f);
}

/* Text bytes go one write call each, in the result file's code page. */
static void write_text(FileHandle f, const char *text, uint32_t count)
{
    for (uint32_t i = 0; i < count; i++) {
        char c = (char)result_text_byte((uint8_t)text[i]);
        file_write(&c, 1, 1, f);
    }
}

static void write_message(FileHandle f, const RunState *run, int number)
{
    const char *text = run_message(run, number);
    if (text)
        write_text(f, text, str_len(text));
}

void write_results(const RunState *run)
{
    const TestTable *table = run->items;
    int answered = run->current_item;
    int n = answered < table->count ? answered : table->count;
    if (n <= 0)
        return;
    FileHandle f = file_open(result_file_name(), "wb");
    if (!f)
        return;

    write_message(f, run, msg_result_heading);
    write_bytes(f, "\r\n\r\n", 4);
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
        write_bytes(f, prefix, 4);
        write_text(f, item->text, item->text_length > 1 ? item->text_length - 1u : 0);
        write_bytes(f, "\r\n", 2);
    }
    write_bytes(f, "\r\n", 2);
    write_message(f, run, msg_totals_label);

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
    write_bytes(f, summary, (uint32_t)(end - summary));
    write_bytes(f, "\r\n", 2);
    file_close(f);
}
