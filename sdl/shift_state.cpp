/*
** SDL knows the keyboard only through a focused window, and the choice of
** mode comes before the window exists, so the X server is asked directly.
** Without X (a Wayland-only session) Shift counts as not held.
*/
#include "sdl/shift_state.h"

#ifdef MERIDOKA_HAVE_X11
#include <X11/Xlib.h>
#include <X11/keysym.h>

bool shift_held(void)
{
    Display *display = XOpenDisplay(nullptr);
    if (!display)
        return false;
    char keys[32];
    XQueryKeymap(display, keys);
    bool held = false;
    static const KeySym shifts[] = {XK_Shift_L, XK_Shift_R};
    for (KeySym sym : shifts) {
        KeyCode code = XKeysymToKeycode(display, sym);
        if (code && (keys[code / 8] & (1 << (code % 8))))
            held = true;
    }
    XCloseDisplay(display);
    return held;
}
#else
bool shift_held(void) { return false; }
#endif
