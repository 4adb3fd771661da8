/*
** How the driver thread reaches the main thread, which owns SDL, the window
** and the event loop. Requests are synchronous: the driver hands one over
** and waits until the main thread has served it. While SDL is down the main
** thread sleeps on a condition variable; while it is up it sleeps in the SDL
** event loop, and a request wakes it with a user event.
*/
#ifndef MERIDOKA_SDL_UI_LINK_H
#define MERIDOKA_SDL_UI_LINK_H

#include <stdint.h>

enum class UiRequest { none, open_display, close_display, error_box, present };

/* Driver thread: serve a request on the main thread and return its result. */
int ui_call(UiRequest request, const char *text);

/* Driver thread: program_main has returned; the main thread's loop ends. */
void ui_driver_finished(void);

/* Any thread: post a repaint to the event loop (false if it could not be). */
bool ui_post_repaint(void);

/* Main thread, before the driver starts: reserve the user event types. */
void ui_register_events(void);

/* Main thread: serve requests and run the event loop until the driver ends. */
void ui_run(void);

#endif
