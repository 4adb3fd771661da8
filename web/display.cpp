/*
** The display and the keys in a web page. The screen is a whole BMP file
** image in the module's memory, painted by the page on a canvas whenever
** the program stops to wait for a key; key presses come from the page's
** keydown handler into the front ends' shared key channel.
**
** The program runs on the page's only thread: it sleeps in get_key and in
** the full-screen question (web.h), and the page's event handlers run while
** it sleeps. A key pressed while the program was busy is dispatched at the
** start of the next get_key, before the wait, so it counts as a key of the
** busy time, as on the other front ends.
*/
#include <emscripten/emscripten.h>

#include "graphics/gfx.h"
#include "base/memory.h"
#include "frontend/key_channel.h"
#include "platform/platform.h"
#include "frontend/screen_bmp.h"
#include "frontend/screen_memory.h"
#include "frontend/screenshot.h"
#include "web/web.h"

enum { scan_f12 = 88 };

static uint8_t screen_image[screen_image_size];

int video_open(void)
{
    if (video_is_open)
        return 2;
    mem_move(screen_image, screen_header_template, screen_header_size);
    if (!web_display_open(screen_image, screen_image_size))
        return 0;
    key_event_create();
    screen_memory_open(screen_image + screen_header_size);
    return 1;
}

void video_close(void)
{
    if (!video_is_open)
        return;
    key_quit();  /* as a closed window: every later key request reads Esc */
    key_event_destroy();
    screen_memory_close();
    web_display_close();
}

void video_repaint(void) { web_display_dirty(); }

void video_wait_shown(void)
{
    if (video_is_open)
        web_wait_shown();
}

uint8_t get_key(void)
{
    web_let_events_in();
    return key_read();
}

uint8_t get_key_until(uint32_t deadline_ms)
{
    web_let_events_in();
    return key_read_until(deadline_ms);
}

/* ---- the key channel's event: a flag, and the sleep it ends ------------ */

static bool event_exists, event_set;

int key_event_create(void)
{
    event_exists = true;
    event_set = false;
    return 1;
}

void key_event_destroy(void) { event_exists = false; }

void key_event_signal(void)
{
    event_set = true;
    web_wake();
}

void key_event_wait(void)
{
    if (!event_exists)
        return;
    while (!event_set)
        web_sleep();
    event_set = false;
}

int key_event_wait_until(uint32_t deadline_ms)
{
    if (!event_exists)
        return 1;
    while (!event_set) {
        int32_t left = (int32_t)(deadline_ms - clock_ms());
        if (left <= 0)
            return 0;
        web_sleep_for((uint32_t)left);
    }
    event_set = false;
    return 1;
}

/* ---- called by the page ------------------------------------------------ */

/* A key press as its PC scan code; F12 saves a screenshot first. Keys
** before the display opens or after it closed reach nothing. */
extern "C" EMSCRIPTEN_KEEPALIVE void web_key_press(int scan)
{
    if (!video_is_open)
        return;
    if (scan == scan_f12)
        screenshot_save(screen_image, screen_image_size);
    key_post((uint8_t)scan);
}

/* The page is going away: the test ends as with a closed window. */
extern "C" EMSCRIPTEN_KEEPALIVE void web_page_left(void) { key_quit(); }
