#include "archive/testinfo.h"
#include "archive/archive.h"
#include "base/little_endian.h"
#include "base/memory.h"

/* Text of an item whose record has no text bytes at all. */
static const char empty_text[] = "";

/* Parses raw into table->items; 0 when a record runs past the block. */
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
        /* the text must end inside its own field */
        if (text_length > 0) {
            uint32_t k = 0;
            while (k < text_length && rec[item_text_at + k] != 0)
                k++;
            if (k == text_length)
                return 0;
        }
        TestItem *item = &table->items[i];
        item->answer = rec[item_answer_at];
        item->text_length = rec[item_text_length_at];
        item->mask = (uint16_t)get_u16(rec + item_mask_at);
        item->name = (const char *)rec + item_name_at;
        item->text = text_length ? (const char *)rec + item_text_at : empty_text;
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
    table->raw = (uint8_t *)res_load(name, &table->raw_length);
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
    if (!messages)
        return 0;
    const uint8_t *block = (const uint8_t *)messages;
    if (size < 2)
        return 0;
    uint32_t count = get_u16(block);
    uint32_t pos = 2;
    for (int i = 0; (uint32_t)i < count; i++) {
        if (pos + 2 > size)
            return 0;
        uint32_t len = get_u16(block + pos);
        if (len > size - pos - 2)
            return 0;
        if (i == index) {
            const uint8_t *body = block + pos + 2;
            for (uint32_t k = 0; k < len; k++)
                if (body[k] == 0)
                    return (const char *)body;
            return 0; /* no terminator inside its record */
        }
        pos += 2 + len;
    }
    return 0;
}
