/*
** The key channel between the display loop (main thread) and the test
** driver (driver thread): a one-slot mailbox word plus an auto-reset event.
**
** key_state: 0 empty; scan * 256 + 1 a key is pending; 0x102 / 0x106 the
** window is gone (bit 1 marks quit, bit 2 alternates under every flush test
** so that a flush loop ends while the quit value stays for good).
**
** The event exists only while the display is open. A signal given while
** nobody waits stays set until the next wait, and signals do not add up.
*/
#ifndef MERIDOKA_SDL_KEY_CHANNEL_H
#define MERIDOKA_SDL_KEY_CHANNEL_H

#include <stdint.h>

#include <atomic>

extern std::atomic<uint32_t> key_state;

enum : uint32_t { key_quit_value = 0x102 };

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
