/*
** SDL keys to PC keyboard scan codes (set 1), the codes the test logic acts
** on. Extended keys (E0 prefix) give their code without the prefix, so the
** keypad Enter is 28 like the main Enter.
*/
#ifndef MERIDOKA_SDL_SCANCODES_H
#define MERIDOKA_SDL_SCANCODES_H

#include <SDL.h>
#include <stdint.h>

/* The set-1 scan code of a key, or 0 for a key the map does not know. */
uint8_t pc_scan_code(SDL_Scancode key);

/* Alt, F10 and keys pressed with Alt (without Ctrl) are system keys: they
** never reach the key channel. */
bool is_system_key(SDL_Scancode key, uint16_t modifiers);

#endif
