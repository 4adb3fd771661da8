/*
** Item table (TESTINFO) and message table (MESSAGES); their records:
** archive/format.h.
*/
#ifndef MERIDOKA_TESTINFO_H
#define MERIDOKA_TESTINFO_H

#include <stdint.h>

#include "archive/format.h"

struct TestItem {
    const char *name;     /* 8-byte field in raw; not terminated when full */
    const char *text;     /* in raw; ends at the next zero byte, which may lie
                             past its own field (at the latest, after raw) */
    uint8_t answer;
    uint8_t text_length;
    uint16_t mask;
};

struct TestTable {
    uint16_t count;
    uint8_t *raw;         /* the resource block and a zero byte after it
                             (res_load_text); items point into it */
    uint32_t raw_length;
    TestItem *items;
};

/* Loads and parses an item table. Null when the resource is missing, memory
** runs out, or a record does not lie wholly inside the resource. */
TestTable *testinfo_load(const char *name);
void testinfo_free(TestTable *table);

/* The problem cell left empty (1..9 in valid data) and the mask of the
** answer cells present (bit c: cell c, 0..8 row by row). */
int item_empty_cell(const TestItem *item);
int item_option_mask(const TestItem *item);

/* The one rule between answer digits and answer cells: digit d picks the
** d-th present cell, row by row. option_cell gives that cell (0..8), or -1
** when fewer than d cells are present; option_digit is the way back, the
** digit of a present cell. */
int option_cell(uint32_t options, int digit);
int option_digit(uint32_t options, int cell);

/* Body of message `index` inside the MESSAGES bytes messages[0..length), or
** null when the index is out of range or the record does not lie wholly
** inside them. The text runs to the next zero byte, which need not lie in
** its record: load the block with res_load_text, so that one follows it. */
const char *msg_get(const void *messages, uint32_t length, int index);

#endif
