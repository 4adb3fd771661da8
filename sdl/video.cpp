/*
** The display calls of the platform contract, on the driver thread. The
** window lives on the main thread; these hand it their requests.
*/
#include <string.h>

#include "graphics/gfx.h"
#include "frontend/key_channel.h"
#include "platform/platform.h"
#include "frontend/screen_memory.h"
#include "sdl/display.h"
#include "sdl/screen_image.h"
#include "sdl/ui_link.h"

int video_open(void)
{
    if (video_is_open)
        return 2;
    key_event_create();
    if (!ui_call(UiRequest::open_display, nullptr)) {
        key_event_destroy();
        return 0;
    }
    memcpy(screen_image, screen_header_template, sizeof screen_header_template);
    image_ready.store(true);
    screen_memory_open(screen_image + screen_header_size);  // the draw colour is still black
    return 1;
}

void video_close(void)
{
    if (!video_is_open)
        return;
    ui_call(UiRequest::close_display, nullptr);
    key_event_destroy();
    image_ready.store(false);
    screen_memory_close();
    // the channel keeps its end: later key requests read Esc
}

void video_repaint(void)
{
    if (!window_alive.load())
        return;
    // one repaint in the queue is enough: it paints whatever is drawn by then
    if (!repaint_pending.exchange(true) && !ui_post_repaint())
        repaint_pending.store(false);
}

/* The main thread paints what is drawn by now and presents it before the
** call returns. */
void video_wait_shown(void)
{
    if (window_alive.load())
        ui_call(UiRequest::present, nullptr);
}

uint8_t get_key(void) { return key_read(); }
uint8_t get_key_until(uint32_t deadline_ms) { return key_read_until(deadline_ms); }
