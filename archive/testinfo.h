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
    const char *text;     /* zero-terminated, inside raw */
    uint8_t answer;
    uint8_t text_length;
    uint16_t mask;
};

struct TestTable {
    uint16_t count;
    uint8_t *raw;         /* the resource block; items point into it */
    uint32_t raw_length;
    TestItem *items;
};

/* Loads and parses an item table. Null when the resource is missing, memory
** runs out, or a record does not lie wholly inside the resource. */
TestTable *testinfo_load(const char *name);
void testinfo_free(TestTable *table);

/* Body of message `index` inside the MESSAGES bytes messages[0..length), or
** null when the index is out of range or the message does not lie wholly
** inside them. */
const char *msg_get(const void *messages, uint32_t length, int index);

#endif
