/*
** Item table ("TESTINFO") and message table ("MESSAGES").
**
** TESTINFO: u16 item count, then per item a record of 12 + text_length bytes:
**   answer (1..9), text_length (text bytes including the zero), u16 mask
**   (bits 0..8 answer cells present, bits 12..15 empty cell 1..9),
**   8-byte picture base name, the zero-terminated item text.
** MESSAGES: u16 message count, then per message u16 length L and L bytes of
**   body: the text and its zero byte.
*/
#ifndef MERIDOKA_TESTINFO_H
#define MERIDOKA_TESTINFO_H

#include <stdint.h>

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

enum { item_record_header = 12 };

/* Loads and parses an item table. Null when the resource is missing, memory
** runs out, or a record does not lie wholly inside the resource. */
TestTable *testinfo_load(const char *name);
void testinfo_free(TestTable *table);

/* Body of message `index` inside the MESSAGES bytes messages[0..length), or
** null when the index is out of range or the message does not lie wholly
** inside them. */
const char *msg_get(const void *messages, uint32_t length, int index);

#endif
