/* The window on the main thread; see display.h. */
#include "sdl/display.h"

#include <stdlib.h>

#include "frontend/key_channel.h"
#include "frontend/screenshot.h"
#include "sdl/scancodes.h"
#include "sdl/screen_image.h"
#include "sdl/shift_state.h"
#include "sdl/window_manager.h"
#include "sdl/x11_errors.h"

std::atomic<bool> window_alive{false};
std::atomic<bool> image_ready{false};
std::atomic<bool> repaint_pending{false};

namespace {

enum { picture_width = 640, picture_height = 480 };

SDL_Window *window;
SDL_Renderer *renderer;
SDL_Texture *texture;
Uint32 window_id;
bool windowed;
bool kiosk;  // full screen without a window manager (see full_screen_place)

bool display_configured(void)
{
    const char *x = getenv("DISPLAY"), *wayland = getenv("WAYLAND_DISPLAY");
    return (x && *x) || (wayland && *wayland);
}

// Yes, and also a question that could not be shown, mean full screen.
bool ask_full_screen(void)
{
    const SDL_MessageBoxButtonData buttons[] = {
        {SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT, 1, "Yes"},
        {SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, 0, "No"},
    };
    SDL_MessageBoxData box;
    SDL_zero(box);
    box.flags = SDL_MESSAGEBOX_INFORMATION | SDL_MESSAGEBOX_BUTTONS_LEFT_TO_RIGHT;
    box.title = "Confirm";
    box.message = "Run in fullscreen mode?";
    box.numbuttons = 2;
    box.buttons = buttons;
    int answer = -1;
    if (SDL_ShowMessageBox(&box, &answer) != 0)
        return true;
    return answer != 0;
}

// Where the picture goes: the largest whole-number scale that fits, centred.
SDL_Rect picture_rect(void)
{
    int w = picture_width, h = picture_height;
    if (SDL_GetRendererOutputSize(renderer, &w, &h) != 0) {
        w = picture_width;
        h = picture_height;
    }
    int scale = w / picture_width < h / picture_height ? w / picture_width : h / picture_height;
    if (scale < 1)
        scale = 1;
    SDL_Rect r;
    r.w = picture_width * scale;
    r.h = picture_height * scale;
    r.x = (w - r.w) / 2;
    r.y = (h - r.h) / 2;
    return r;
}

// Full screen is the window manager's full-screen state where one offers
// it. Without one nobody acts on that request, and SDL would draw for the
// whole screen into a window that stays 640x480: the window itself is then
// made borderless, as large as the display and at its corner.
Uint32 full_screen_place(SDL_Rect *place)
{
    SDL_Rect display;
    if (window_manager_does_full_screen() || SDL_GetDisplayBounds(0, &display) != 0)
        return SDL_WINDOW_FULLSCREEN_DESKTOP;
    *place = display;
    kiosk = true;
    return SDL_WINDOW_BORDERLESS;
}

// Full screen: no pointer over the picture, the arrow elsewhere.
void update_pointer(int x, int y)
{
    if (windowed || !window)
        return;
    SDL_Rect r = picture_rect();
    SDL_Point p = {x, y};
    SDL_ShowCursor(SDL_PointInRect(&p, &r) ? SDL_DISABLE : SDL_ENABLE);
}

void convert_screen(void)
{
    void *pixels;
    int pitch;
    if (SDL_LockTexture(texture, nullptr, &pixels, &pitch) != 0)
        return;
    const uint8_t *src = screen_image + screen_header_size;
    for (int y = 0; y < picture_height; y++) {
        Uint32 *row = (Uint32 *)((uint8_t *)pixels + y * pitch);
        for (int b = 0; b < picture_width / 8; b++) {
            uint8_t bits = *src++;
            for (int i = 0; i < 8; i++)
                *row++ = (bits & (0x80 >> i)) ? 0xFFFFFFFFu : 0xFF000000u;
        }
    }
    SDL_UnlockTexture(texture);
}

// The whole window from the buffer. Before the header is in place the
// buffer is not the screen yet: the window shows black.
void paint(void)
{
    if (!window)
        return;
    bool ready = image_ready.load();
    if (ready)
        convert_screen();
    SDL_SetRenderDrawColor(renderer, 0, 0, 0, 255);
    SDL_RenderClear(renderer);
    if (ready) {
        SDL_Rect r = picture_rect();
        SDL_RenderCopy(renderer, texture, nullptr, &r);
    }
    SDL_RenderPresent(renderer);
}

void destroy_window(void)
{
    if (texture)
        SDL_DestroyTexture(texture);
    if (renderer)
        SDL_DestroyRenderer(renderer);
    if (window)
        SDL_DestroyWindow(window);
    texture = nullptr;
    renderer = nullptr;
    window = nullptr;
    window_id = 0;
}

// The window goes, by the person or by video_close: from now on every key
// request reads Esc.
void end_window(void)
{
    window_alive.store(false);
    destroy_window();
    SDL_ShowCursor(SDL_ENABLE);
    key_quit();
}

void key_down(const SDL_KeyboardEvent &k)
{
    SDL_Scancode key = k.keysym.scancode;
    uint16_t modifiers = k.keysym.mod;
    // Alt+F4 closes the window, as a window manager would
    if (key == SDL_SCANCODE_F4 && (modifiers & KMOD_ALT) && !(modifiers & KMOD_CTRL)) {
        end_window();
        return;
    }
    if (is_system_key(key, modifiers))
        return;
    if (key == SDL_SCANCODE_F12)
        screenshot_save(screen_image, screen_image_size);
    // auto-repeat presses go in like fresh ones
    uint8_t scan = pc_scan_code(key);
    if (scan)
        key_post(scan);
}

}  // namespace

int display_open(void)
{
    if (!display_configured())
        return 0;
    // a desktop or nothing: SDL would otherwise fall back to an invisible
    // off-screen "display" (SDL's own SDL_VIDEODRIVER still has the last word)
    SDL_SetHint(SDL_HINT_VIDEODRIVER, "x11,wayland");
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0)
        return 0;
    x11_tolerate_lost_wakeups();
    windowed = shift_held() || !ask_full_screen();
    // hidden until the renderer is made: an OpenGL renderer makes SDL create
    // the window anew, and the person should see only the final one
    Uint32 flags = SDL_WINDOW_HIDDEN;
    kiosk = false;
    SDL_Rect place = {int(SDL_WINDOWPOS_CENTERED), int(SDL_WINDOWPOS_CENTERED), picture_width, picture_height};
    if (!windowed)
        flags |= full_screen_place(&place);
    window = SDL_CreateWindow("MERIDOKA", place.x, place.y, place.w, place.h, flags);
    if (window)
        renderer = SDL_CreateRenderer(window, -1, 0);
    if (window && !renderer)
        renderer = SDL_CreateRenderer(window, -1, SDL_RENDERER_SOFTWARE);
    if (renderer)
        texture = SDL_CreateTexture(renderer, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STREAMING, picture_width,
                                    picture_height);
    if (!texture) {
        destroy_window();
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        return 0;
    }
    window_id = SDL_GetWindowID(window);
    SDL_StopTextInput();  // keys only: no input method in between
    SDL_ShowWindow(window);
    SDL_RaiseWindow(window);
    if (kiosk)
        SDL_SetWindowInputFocus(window);  // no window manager hands it out
    if (!windowed) {
        int x, y, wx, wy;
        SDL_GetGlobalMouseState(&x, &y);
        SDL_GetWindowPosition(window, &wx, &wy);
        update_pointer(x - wx, y - wy);
    }
    repaint_pending.store(false);
    window_alive.store(true);
    paint();
    return 1;
}

void display_shutdown(void)
{
    if (window)
        end_window();
    // SDL video stays up until the process ends: quitting it puts Xlib's
    // default error handler back and then reads what the server still has
    // to say, such as a refused wake-up (see x11_errors.cpp), which that
    // handler turns into exit(1) before the result file is written.
}

void display_error_box(const char *text)
{
    // works without SDL video; when no box can be shown, standard error has it
    SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, "Error", text, nullptr);
}

void display_repaint_event(void)
{
    // clear first: a drawing that comes during this paint queues another
    repaint_pending.store(false);
    paint();
}

void display_event(const SDL_Event &e)
{
    if (!window)
        return;
    switch (e.type) {
    case SDL_WINDOWEVENT:
        if (e.window.windowID != window_id)
            break;
        switch (e.window.event) {
        case SDL_WINDOWEVENT_CLOSE:
            end_window();
            break;
        case SDL_WINDOWEVENT_SHOWN:
        case SDL_WINDOWEVENT_EXPOSED:
        case SDL_WINDOWEVENT_SIZE_CHANGED:
        case SDL_WINDOWEVENT_RESTORED:
            paint();
            break;
        default:
            break;
        }
        break;
    case SDL_QUIT:
        end_window();
        break;
    case SDL_KEYDOWN:
        if (e.key.windowID == window_id)
            key_down(e.key);
        break;
    case SDL_MOUSEMOTION:
        if (e.motion.windowID == window_id)
            update_pointer(e.motion.x, e.motion.y);
        break;
    default:
        break;
    }
}
