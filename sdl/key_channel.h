/*
** The key channel between the display loop (main thread) and the test
** driver (driver thread): a one-slot mailbox word plus an auto-reset event.
**
** key_state holds the key word of platform/key_word.h.
**
** The event exists only while the display is open. A signal given while
** nobody waits stays set until the next wait, and signals do not add up.
*/
#ifndef MERIDOKA_SDL_KEY_CHANNEL_H
#define MERIDOKA_SDL_KEY_CHANNEL_H

#include <stdint.h>

#include <atomic>

#include "platform/key_word.h"

extern std::atomic<uint32_t> key_state;

/* The auto-reset event (driver thread creates and destroys it). */
void key_event_create(void);
void key_event_destroy(void);
bool key_event_exists(void);
void key_event_signal(void);
void key_event_wait(void);

/* Display side: a key-down with its PC scan code; the window's end. */
void key_post(uint8_t scan);
void key_quit(void);

/* Driver side (get_key of the platform contract is built from these). */
bool key_drain_pending(void);
uint32_t key_wait(void);

#endif
