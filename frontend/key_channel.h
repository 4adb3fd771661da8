/*
** The key channel of the front ends whose key presses arrive apart from the
** test driver (on a display thread, or from a script): a one-slot mailbox
** between the side that sees key presses and the driver's get_key.
**
**   - a key press goes in only while the slot is empty; a press that finds
**     a key still pending is dropped
**   - get_key throws away a key that was pending before it was called (one
**     pressed while the program was busy) and then reports "no key" once;
**     a key that comes just as get_key is about to wait is returned, and
**     the next get_key waits for a fresh press
**   - after key_quit (the window is gone) every get_key returns Esc at once,
**     for good; presses after it are dropped
**
** Written once here over atomic compare-and-exchange; each front end
** supplies only the auto-reset event the driver sleeps on (key_event_*) and
** defines get_key as key_read, with whatever it does around that. The
** channel also answers key_time_ms (each press is stamped with clock_ms as
** it goes in) and window_closed of the platform contract.
*/
#ifndef MERIDOKA_KEY_CHANNEL_H
#define MERIDOKA_KEY_CHANNEL_H

#include <stdint.h>

/* Display side. */
void key_post(uint8_t scan);    /* a key press, as its PC scan code */
void key_quit(void);            /* the window is gone */

/* Driver side: the bodies of get_key and get_key_until (platform/platform.h). */
uint8_t key_read(void);
uint8_t key_read_until(uint32_t deadline_ms);

/* An empty slot again, for a fresh run (tests, the headless tool). */
void key_channel_reset(void);

/* ---- supplied by the front end -------------------------------------------
** An auto-reset event that exists while the display is open.
**   key_event_create   makes it, not signalled; 0 when it cannot be made
**   key_event_destroy  removes it; nothing when there is none
**   key_event_signal   wakes a waiting driver, or stays set until the next
**                      wait; signals do not add up
**   key_event_wait     sleeps until signalled and takes the signal; returns
**                      at once while no event exists
**   key_event_wait_until  the same, but gives up when clock_ms reaches
**                      deadline_ms: 1 signalled (or no event), 0 time-out
*/
int key_event_create(void);
void key_event_destroy(void);
void key_event_signal(void);
void key_event_wait(void);
int key_event_wait_until(uint32_t deadline_ms);

#endif
