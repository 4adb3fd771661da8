/*
** SDL wakes its event wait, when another thread pushes an event, with a
** message sent to the window over a second connection to the X server. The
** server may take that message before the window's creation or after its
** end on the first connection; the message is then refused (BadWindow), and
** Xlib's default handler ends the process whenever the refusal is read.
** A lost wake-up is harmless here: the main thread's wait has a time-out.
** (SDL puts the default handler back when it quits video: the program
** leaves video up until it ends.)
*/
#include "sdl/x11_errors.h"

#ifdef MERIDOKA_HAVE_X11
#include <X11/Xlib.h>
#include <X11/Xproto.h>

namespace {

XErrorHandler sdl_handler;

int on_x_error(Display *display, XErrorEvent *e)
{
    if (e->error_code == BadWindow && e->request_code == X_SendEvent)
        return 0;
    return sdl_handler ? sdl_handler(display, e) : 0;
}

}  // namespace

void x11_tolerate_lost_wakeups(void)
{
    XErrorHandler previous = XSetErrorHandler(on_x_error);
    if (previous != on_x_error)
        sdl_handler = previous;
}
#else
void x11_tolerate_lost_wakeups(void) {}
#endif
