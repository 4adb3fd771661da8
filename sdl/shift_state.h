/* Whether a Shift key is held down right now, asked of the display server. */
#ifndef MERIDOKA_SDL_SHIFT_STATE_H
#define MERIDOKA_SDL_SHIFT_STATE_H

bool shift_held(void);

#endif
