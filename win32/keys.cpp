/*
** Key channel: a one-slot mailbox (key_state) and an auto-reset event that
** wakes the driver. The UI thread posts a key only into an empty slot, the
** driver clears only a pending key, and the quit value is final; every
** access is one indivisible access to the whole word.
*/
#include "win32/win32.h"
#include "platform/platform.h"

uint32_t key_state;
HANDLE key_event;

/* the unit tests build this file with a hook that stores quit mid-consume */
#ifdef KEY_CONSUME_HOOK
void KEY_CONSUME_HOOK(void);
#endif

static uint32_t load_state(void) { return __atomic_load_n(&key_state, __ATOMIC_SEQ_CST); }

static void store_state(uint32_t value) { __atomic_store_n(&key_state, value, __ATOMIC_SEQ_CST); }

void key_post(LPARAM lparam)
{
    if (load_state() != 0)
        return;  /* a key is still pending, or the window is gone: drop it */
    /* the word is stored before the event is signalled, so a woken driver sees it */
    store_state((uint32_t)((lparam >> 8) & 0xFF00) | key_tag_pending);
    SetEvent(key_event);
}

void key_quit(void)
{
    store_state(key_quit_value);
    SetEvent(key_event);
}

bool key_drain_pending(void)
{
    uint32_t word = load_state();
    if (word & key_quit_marker) {
        /* quit is never consumed: alternate so a flush loop ends */
        word ^= key_quit_flip;
        store_state(word);
    }
    return !(word & key_quit_flip) && word != 0;
}

uint32_t key_wait(void)
{
    if (key_event && load_state() == 0)
        WaitForSingleObject(key_event, INFINITE);
    uint32_t word = load_state();
    if ((word & 0xFF) == key_tag_pending) {
        /* clear only the key that was read: a quit stored meanwhile stays */
#ifdef KEY_CONSUME_HOOK
        KEY_CONSUME_HOOK();
#endif
        uint32_t expected = word;
        __atomic_compare_exchange_n(&key_state, &expected, 0u, false, __ATOMIC_SEQ_CST,
                                    __ATOMIC_SEQ_CST);
    }
    return word;
}

uint8_t get_key(void)
{
    while (key_drain_pending())
        key_wait();  /* a stale key: thrown away */
    uint32_t word = key_wait();
    return (word & 0xFF) ? (uint8_t)(word >> 8) : 0;
}
