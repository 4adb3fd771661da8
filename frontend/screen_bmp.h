/*
** The screen as a BMP file: this 62-byte header (640x480, top-down, one bit
** per pixel, palette black then white) followed by the 38,400-byte buffer
** unchanged. The front ends keep their buffer right behind a copy of it, so
** painting and F12 screenshots use the one block as it stands.
*/
#ifndef MERIDOKA_SCREEN_BMP_H
#define MERIDOKA_SCREEN_BMP_H

#include <stdint.h>

enum {
    screen_header_size = 62,
    screen_image_size = screen_header_size + 38400  /* 38,462 */
};

extern const uint8_t screen_header_template[screen_header_size];

#endif
