/* X errors the program can live with. */
#ifndef MERIDOKA_SDL_X11_ERRORS_H
#define MERIDOKA_SDL_X11_ERRORS_H

/* Call after SDL video is up: SDL's wake-up message to a window the server
** no longer (or not yet) knows stops being fatal; every other X error goes
** to SDL's handler as before. */
void x11_tolerate_lost_wakeups(void);

#endif
