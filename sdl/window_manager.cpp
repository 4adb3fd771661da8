/*
** SDL's full screen on X asks the window manager for it. Without one (a
** kiosk started by xinit) nobody acts on the request: the window stays as it
** was while SDL draws for the whole screen. A window manager that would act
** names its check window on the root window (a child of the root that exists)
** and lists the full-screen state among what it supports; a name left behind
** by one that has ended does not count. Without X (a Wayland session) the
** compositor does it.
*/
#include "sdl/window_manager.h"

#ifdef MERIDOKA_HAVE_X11
#include <X11/Xatom.h>
#include <X11/Xlib.h>

namespace {

// The property's 32-bit items (XA_WINDOW or XA_ATOM), or none.
unsigned long root_list(Display *display, const char *name, Atom type, unsigned long **items)
{
    Atom property = XInternAtom(display, name, True), got_type;
    int format;
    unsigned long count = 0, after;
    unsigned char *data = nullptr;
    *items = nullptr;
    if (property == None ||
        XGetWindowProperty(display, DefaultRootWindow(display), property, 0, 1024, False, type, &got_type, &format,
                           &count, &after, &data) != Success)
        return 0;
    if (got_type != type || format != 32 || !data) {
        if (data)
            XFree(data);
        return 0;
    }
    *items = reinterpret_cast<unsigned long *>(data);
    return count;
}

bool is_root_child(Display *display, Window window)
{
    Window root, parent, *children = nullptr;
    unsigned int count = 0;
    bool found = false;
    if (XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children, &count)) {
        for (unsigned int i = 0; i < count && !found; i++)
            found = children[i] == window;
        if (children)
            XFree(children);
    }
    return found;
}

}  // namespace

bool window_manager_does_full_screen(void)
{
    Display *display = XOpenDisplay(nullptr);
    if (!display)
        return true;
    bool running = false, full_screen = false;
    unsigned long *items;
    if (root_list(display, "_NET_SUPPORTING_WM_CHECK", XA_WINDOW, &items)) {
        running = is_root_child(display, Window(items[0]));
        XFree(items);
    }
    const Atom wanted = XInternAtom(display, "_NET_WM_STATE_FULLSCREEN", True);
    if (running && wanted != None) {
        const unsigned long count = root_list(display, "_NET_SUPPORTED", XA_ATOM, &items);
        for (unsigned long i = 0; i < count && !full_screen; i++)
            full_screen = Atom(items[i]) == wanted;
        if (items)
            XFree(items);
    }
    XCloseDisplay(display);
    return full_screen;
}
#else
bool window_manager_does_full_screen(void) { return true; }
#endif
