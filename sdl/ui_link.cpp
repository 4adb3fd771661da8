/* The request mailbox between the driver thread and the main thread. */
#include "sdl/ui_link.h"

#include <SDL.h>

#include <condition_variable>
#include <mutex>

#include "sdl/display.h"

namespace {

// Never destroyed: when a library ends the process from one thread (Xlib
// does on an X error), exit must not destroy them under the other thread,
// which would wait on them for ever.
std::mutex &mutex = *new std::mutex;
std::condition_variable &changed = *new std::condition_variable;
UiRequest pending = UiRequest::none;
const char *pending_text = nullptr;
bool served = false;
int reply = 0;
bool driver_done = false;
bool sdl_up = false;  // the main thread sleeps in the SDL event loop

Uint32 wake_event = (Uint32)-1;
Uint32 repaint_event = (Uint32)-1;

bool push(Uint32 type)
{
    SDL_Event e;
    SDL_zero(e);
    e.type = type;
    return SDL_PushEvent(&e) == 1;
}

// Wakes the main thread wherever it sleeps. Called with the mutex held.
void wake_main(bool up)
{
    if (up)
        push(wake_event);
    changed.notify_all();
}

// Takes the request waiting in the mailbox, if any.
UiRequest take_request(const char **text)
{
    std::lock_guard<std::mutex> lock(mutex);
    *text = pending_text;
    return served ? UiRequest::none : pending;
}

void serve(UiRequest request, const char *text)
{
    if (request == UiRequest::none)
        return;
    int result = 0;
    bool up;
    {
        std::lock_guard<std::mutex> lock(mutex);
        up = sdl_up;
    }
    switch (request) {
    case UiRequest::open_display:
        result = display_open();
        up = result != 0;
        break;
    case UiRequest::close_display:
        display_shutdown();
        up = false;
        break;
    case UiRequest::error_box:
        display_error_box(text);
        break;
    case UiRequest::present:
        display_repaint_event();
        break;
    case UiRequest::none:
        break;
    }
    std::lock_guard<std::mutex> lock(mutex);
    sdl_up = up;
    pending = UiRequest::none;
    reply = result;
    served = true;
    changed.notify_all();
}

}  // namespace

int ui_call(UiRequest request, const char *text)
{
    std::unique_lock<std::mutex> lock(mutex);
    pending = request;
    pending_text = text;
    served = false;
    wake_main(sdl_up);
    changed.wait(lock, [] { return served; });
    return reply;
}

void ui_driver_finished(void)
{
    std::lock_guard<std::mutex> lock(mutex);
    driver_done = true;
    wake_main(sdl_up);
}

bool ui_post_repaint(void) { return push(repaint_event); }

void ui_register_events(void)
{
    Uint32 base = SDL_RegisterEvents(2);
    wake_event = base;
    repaint_event = base + 1;
}

void ui_run(void)
{
    for (;;) {
        bool up;
        {
            std::unique_lock<std::mutex> lock(mutex);
            if (!sdl_up)
                changed.wait(lock, [] { return (pending != UiRequest::none && !served) || driver_done; });
            up = sdl_up;
        }
        if (up) {
            SDL_Event e;
            // the time-out only guards against a wake-up that SDL failed to queue
            if (SDL_WaitEventTimeout(&e, 250)) {
                if (e.type == repaint_event)
                    display_repaint_event();
                else if (e.type != wake_event)
                    display_event(e);
            }
        }
        const char *text;
        UiRequest request = take_request(&text);
        if (request != UiRequest::none) {
            serve(request, text);
            continue;
        }
        std::lock_guard<std::mutex> lock(mutex);
        if (driver_done) {
            if (sdl_up) {  // the driver left without closing the display
                display_shutdown();
                sdl_up = false;
            }
            return;
        }
    }
}
