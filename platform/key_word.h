/*
** The key word of the window front ends' key channel, a one-slot mailbox
** between the thread that sees key presses and the test driver:
**   0                  empty
**   scan * 256 + 1     a key is pending
**   0x102 / 0x106      the window is gone: Esc for good. Bit 1 marks quit;
**                      bit 2 alternates under every flush test so that a
**                      flush loop ends while the quit value stays.
*/
#ifndef MERIDOKA_KEY_WORD_H
#define MERIDOKA_KEY_WORD_H

#include <stdint.h>

enum : uint32_t {
    key_tag_pending = 1,
    key_quit_marker = 2,
    key_quit_flip = 4,
    key_quit_value = 0x102  /* quit with the scan code of Esc */
};

#endif
