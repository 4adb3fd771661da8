/*
** The screen kept inside a complete top-down one-bit BMP file image: the
** 62-byte header, then the 38,400-byte buffer that screen_bits points to
** while the display is open. Painted to the window and written unchanged as
** a screenshot.
*/
#ifndef MERIDOKA_SDL_SCREEN_IMAGE_H
#define MERIDOKA_SDL_SCREEN_IMAGE_H

#include <stdint.h>

#include "frontend/screen_bmp.h"

extern uint8_t screen_image[screen_image_size];

#endif
