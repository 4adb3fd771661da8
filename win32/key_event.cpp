/*
** The key channel's event on Windows: an auto-reset event that wakes the
** driver, made by video_open and closed by video_close. It also carries the
** UI thread's start-up signal.
*/
#include "win32/win32.h"
#include "frontend/key_channel.h"
#include "platform/platform.h"

HANDLE key_event;

int key_event_create(void)
{
    key_event = CreateEventA(NULL, FALSE, FALSE, NULL);
    return key_event != NULL;
}

void key_event_destroy(void)
{
    if (key_event)
        CloseHandle(key_event);
    key_event = NULL;
}

void key_event_signal(void) { SetEvent(key_event); }

void key_event_wait(void)
{
    if (key_event)
        WaitForSingleObject(key_event, INFINITE);
}

/* The wait's own timer is coarser than clock_ms: one that ends a little
** early waits again for the rest. */
int key_event_wait_until(uint32_t deadline_ms)
{
    if (!key_event)
        return 1;
    for (;;) {
        int32_t left = (int32_t)(deadline_ms - clock_ms());
        if (WaitForSingleObject(key_event, left > 0 ? (DWORD)left : 0) != WAIT_TIMEOUT)
            return 1;
        if (left <= 0)
            return 0;
    }
}

uint8_t get_key(void) { return key_read(); }
uint8_t get_key_until(uint32_t deadline_ms) { return key_read_until(deadline_ms); }
