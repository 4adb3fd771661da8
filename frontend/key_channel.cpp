/*
** The key channel's mailbox word, one indivisible access at a time:
**   0                  empty
**   scan * 256 + 1     a key is pending
**   0x102 / 0x106      the window is gone: Esc for good. Bit 1 marks the
**                      end; bit 2 alternates under every stale-key test, so
**                      that a flush loop ends while the end stays.
** The display side only ever stores into an empty word (a key) or stores
** the end; the driver clears only the very key it read.
**
** Beside it, the clock_ms reading of the pending key's arrival: the display
** side stores it while the word is empty, before the key goes in, and the
** driver reads it before it clears the key, so it always belongs to the
** key read (one display side posts keys).
*/
#include "frontend/key_channel.h"
#include "platform/platform.h"

enum : uint32_t {
    tag_pending = 1,
    end_marker = 2,
    end_flip = 4,
    end_value = 0x102  /* the end, with the scan code of Esc */
};

static uint32_t key_word;
static uint32_t arrival;     /* display side: when the pending key came */
static uint32_t read_time;   /* driver side: key_time_ms */

static uint32_t load_word(void) { return __atomic_load_n(&key_word, __ATOMIC_SEQ_CST); }

void key_post(uint8_t scan)
{
    if (load_word() != 0)
        return;  /* a pending key or the end stays; this press is dropped */
    __atomic_store_n(&arrival, clock_ms(), __ATOMIC_SEQ_CST);
    uint32_t expected = 0;
    if (__atomic_compare_exchange_n(&key_word, &expected, (uint32_t)scan << 8 | tag_pending, false,
                                    __ATOMIC_SEQ_CST, __ATOMIC_SEQ_CST))
        key_event_signal();
}

void key_quit(void)
{
    __atomic_store_n(&key_word, (uint32_t)end_value, __ATOMIC_SEQ_CST);  /* a pending key is lost */
    key_event_signal();
}

void key_channel_reset(void) { __atomic_store_n(&key_word, 0u, __ATOMIC_SEQ_CST); }

/* Whether a key is pending that came before the driver asked. The end
** counts every other time, so that a flush loop over it ends. */
static bool stale_key(void)
{
    uint32_t word = load_word();
    if (word & end_marker)
        word = __atomic_xor_fetch(&key_word, (uint32_t)end_flip, __ATOMIC_SEQ_CST);
    return !(word & end_flip) && word != 0;
}

/* Waits unless something is there (until the deadline, when timed), then
** takes a pending key (and the time it came, while the key is still in the
** word); *waited tells which, 2 for a wait that timed out. */
static uint32_t take_word(int *waited, int timed, uint32_t deadline)
{
    *waited = load_word() == 0;
    if (*waited && !timed)
        key_event_wait();
    else if (*waited && !key_event_wait_until(deadline))
        *waited = 2;
    uint32_t word = load_word();
    if ((word & 0xFF) == tag_pending) {
        read_time = __atomic_load_n(&arrival, __ATOMIC_SEQ_CST);
        /* clear only the key that was read: an end stored meanwhile stays */
        uint32_t expected = word;
        __atomic_compare_exchange_n(&key_word, &expected, 0u, false, __ATOMIC_SEQ_CST, __ATOMIC_SEQ_CST);
    }
    return word;
}

static uint8_t read_key(int timed, uint32_t deadline)
{
    int waited;
    while (stale_key())
        take_word(&waited, 0, 0);  /* a key pressed while busy: thrown away */
    uint32_t word = take_word(&waited, timed, deadline);
    if ((word & 0xFF) != tag_pending)
        read_time = waited == 2 ? deadline : clock_ms();  /* time-out, no key, or the window's Esc */
    else if (waited != 1)
        /* The key came after the flush, just before the wait: its signal
        ** is set, or about to be. Take it now; left over, it would make the
        ** next read report "no key" at once, which in a preview withdraws
        ** the answer this very key showed. */
        key_event_wait();
    return (word & 0xFF) ? (uint8_t)(word >> 8) : 0;
}

uint8_t key_read(void) { return read_key(0, 0); }

/* A key that comes just as the time runs out is the key's: it is returned. */
uint8_t key_read_until(uint32_t deadline_ms) { return read_key(1, deadline_ms); }

uint32_t key_time_ms(void) { return read_time; }

int window_closed(void) { return (load_word() & end_marker) != 0; }
