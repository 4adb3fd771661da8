/* Whether a window manager runs that makes a window cover the screen when
** asked to, asked of the display server. */
#ifndef MERIDOKA_SDL_WINDOW_MANAGER_H
#define MERIDOKA_SDL_WINDOW_MANAGER_H

bool window_manager_does_full_screen(void);

#endif
