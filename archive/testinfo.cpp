#include "archive/testinfo.h"
#include "archive/archive.h"
#include "base/little_endian.h"
#include "base/memory.h"

/* Parses raw into table->items; 0 when a record runs past the block. A
** text need not end inside its own field: it runs on to the next zero
** byte, at the latest the one after the block (res_load_text). */
static int parse_items(TestTable *table)
{
    const uint8_t *raw = table->raw;
    uint32_t size = table->raw_length;
    uint32_t pos = 2;
    for (uint32_t i = 0; i < table->count; i++) {
        if (size < item_record_header || pos > size - item_record_header)
            return 0;
        const uint8_t *rec = raw + pos;
        uint32_t text_length = rec[item_text_length_at];
        if (text_length > size - pos - item_record_header)
            return 0;
        TestItem *item = &table->items[i];
        item->answer = rec[item_answer_at];
        item->text_length = (uint8_t)text_length;
        item->mask = (uint16_t)get_u16(rec + item_mask_at);
        item->name = (const char *)rec + item_name_at;
        item->text = (const char *)rec + item_text_at;
        pos += item_record_header + text_length;
    }
    return 1;
}

TestTable *testinfo_load(const char *name)
{
    TestTable *table = (TestTable *)mem_alloc(sizeof(TestTable));
    if (!table)
        return 0;
    table->items = 0;
    table->raw = (uint8_t *)res_load_text(name, &table->raw_length);
    if (!table->raw) {
        mem_free(table);
        return 0;
    }
    uint32_t size = table->raw_length;
    table->count = size >= 2 ? (uint16_t)get_u16(table->raw) : 0;
    table->items = (TestItem *)mem_alloc((uint32_t)table->count * sizeof(TestItem));
    if (size < 2 || !table->items || !parse_items(table)) {
        testinfo_free(table);
        return 0;
    }
    return table;
}

int item_empty_cell(const TestItem *item) { return (item->mask >> item_empty_shift) & 0x0F; }

int item_option_mask(const TestItem *item) { return item->mask & item_options_mask; }

int option_cell(uint32_t options, int digit)
{
    int seen = 0;
    for (int c = 0; c < 9; c++) {
        seen += (options >> c) & 1;
        if (seen == digit)
            return c;
    }
    return -1;
}

int option_digit(uint32_t options, int cell)
{
    int digit = 0;
    for (int c = 0; c <= cell; c++)
        digit += (options >> c) & 1;
    return digit;
}

void testinfo_free(TestTable *table)
{
    if (!table)
        return;
    mem_free(table->items);
    mem_free(table->raw);
    mem_free(table);
}

const char *msg_get(const void *messages, uint32_t size, int index)
{
    if (!messages || size < 2 || index < 0)
        return 0;
    const uint8_t *block = (const uint8_t *)messages;
    uint32_t count = get_u16(block);
    uint32_t pos = 2;
    for (uint32_t i = 0; i < count; i++) {
        if (size - pos < 2)
            return 0;
        uint32_t len = get_u16(block + pos);
        if (len > size - pos - 2)
            return 0;
        if (i == (uint32_t)index)
            return (const char *)block + pos + 2;
        pos += 2 + len;
    }
    return 0;
}
