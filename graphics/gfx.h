/*
** Monochrome graphics on the 640x480 one-bit screen buffer.
**
** Buffer: 80 bytes per row, rows top to bottom, pixel (x, y) is bit
** 7 - x % 8 of byte y * 80 + x / 8; 1 is white, 0 black. Where the buffer
** lives is the front end's business (graphics/screen_access.h). While
** video_is_open is 0 no display is open and every operation does nothing.
**
** Pictures (MonoBitmap) and the font are the archive's: archive/format.h.
*/
#ifndef MERIDOKA_GFX_H
#define MERIDOKA_GFX_H

#include <stdint.h>

#include "archive/format.h"

enum {
    screen_width = 640,
    screen_height = 480,
    screen_stride = 80,
    screen_size = 38400
};

/* Set by the front end's video_open once the screen can be drawn on,
** cleared by its video_close. */
extern uint8_t video_is_open;
extern uint8_t draw_colour;          /* 0x00 black ink, 0xFF white ink */
extern const uint8_t *font_table;

void gfx_set_colour(uint8_t colour);
void gfx_clear(void);
void gfx_plot(int x, int y);
/* Lines with both ends drawn: a row, a column, any other; gfx_line picks
** one. It is inline so that a program drawing only rows and columns links
** no code for slanted lines. */
void gfx_row_line(int y, int x1, int x2);
void gfx_column_line(int x, int y1, int y2);
void gfx_slant_line(int x1, int y1, int x2, int y2);
__attribute__((always_inline)) static inline void gfx_line(int x1, int y1, int x2, int y2)
{
    if (y1 == y2)
        gfx_row_line(y1, x1, x2);
    else if (x1 == x2)
        gfx_column_line(x1, y1, y2);
    else
        gfx_slant_line(x1, y1, x2, y2);
}
void gfx_rect(int x1, int y1, int x2, int y2);
void gfx_bar(int x1, int y1, int x2, int y2);

/* The font for the text calls: length bytes at font (glyphs past the end
** of a short font draw blank), or none (null). Kept, not copied. */
void gfx_set_font(const void *font, uint32_t length);
void gfx_text(int x, int y, const char *text, int count);

/* Text blocks: zero-terminated texts cut into lines at '\n' (a line is never
** wrapped), drawn from y downwards; null draws nothing.
**   gfx_text_left       each line at x, 8 rows below the one before
**   gfx_text_paragraph  each line at x; a line that is not empty takes 9 rows
**   gfx_text_centred    each line centred in width pixels from x (the excess
**                       halved toward zero), 8 rows apart */
void gfx_text_left(int x, int y, const char *text);
void gfx_text_paragraph(int x, int y, const char *text);
void gfx_text_centred(int x, int y, int width, const char *text);

/* Places the MonoBitmap of length bytes at image; rows missing from a short
** block are not drawn. */
void gfx_put_image(int x, int y, const void *image, uint32_t length);
/* A new MonoBitmap block (mem_alloc) of bitmap_size(width, height) bytes
** holding the screen region; null when closed, empty or out of memory. */
void *gfx_get_image(int x, int y, uint16_t width, uint16_t height);

/* Bytes per stored picture row for a width in pixels, and the bytes of a
** whole MonoBitmap. */
uint32_t bitmap_stride(uint32_t width);
uint32_t bitmap_size(uint32_t width, uint32_t height);

#endif
