/*
** The display calls of the platform contract, on the driver thread. The
** window lives on the main thread; these hand it their requests.
*/
#include <string.h>

#include "graphics/gfx.h"
#include "platform/platform.h"
#include "platform/screen_memory.h"
#include "sdl/display.h"
#include "sdl/key_channel.h"
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
    screen_bits = screen_image + screen_header_size;
    video_is_open = 1;
    gfx_clear();  // the draw colour is still black: the first screen is black
    return 1;
}

void video_close(void)
{
    if (!video_is_open)
        return;
    ui_call(UiRequest::close_display, nullptr);
    key_event_destroy();
    image_ready.store(false);
    video_is_open = 0;
    screen_bits = nullptr;
    // key_state keeps its quit value: later key requests read Esc
}

void video_repaint(void)
{
    if (!window_alive.load())
        return;
    // one repaint in the queue is enough: it paints whatever is drawn by then
    if (!repaint_pending.exchange(true) && !ui_post_repaint())
        repaint_pending.store(false);
}
