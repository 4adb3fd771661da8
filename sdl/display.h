/*
** The window side of the display, run on the main thread only: SDL video,
** the full-screen question, the window, painting from the screen image, key
** events into the key channel, F12 screenshots, and the window's end.
*/
#ifndef MERIDOKA_SDL_DISPLAY_H
#define MERIDOKA_SDL_DISPLAY_H

#include <SDL.h>

#include <atomic>

/* The window exists (read by the driver before asking for a repaint). */
extern std::atomic<bool> window_alive;
/* The screen image's header is in place: painting shows the buffer. */
extern std::atomic<bool> image_ready;
/* A repaint event is queued and not yet taken. */
extern std::atomic<bool> repaint_pending;

/* Starts SDL video, asks the mode, creates the window: 1, or 0 when there is
** no display (SDL video is down again then). */
int display_open(void);

/* Destroys the window if it still exists (the key channel gets its quit);
** SDL video stays up until the process ends. */
void display_shutdown(void);

void display_error_box(const char *text);

void display_repaint_event(void);
void display_event(const SDL_Event &e);

#endif
