/* Font text and text blocks in the 8x8 bitmap font. */
#include "graphics/gfx.h"
#include "graphics/screen_access.h"
#include "platform/platform.h"

const uint8_t *font_table;
/* Glyphs wholly inside the font block; a short block draws the rest blank. */
static uint32_t glyph_count;

void gfx_set_font(const void *font, uint32_t length)
{
    font_table = (const uint8_t *)font;
    uint32_t glyphs = font ? length / font_glyph_size : 0;
    glyph_count = glyphs > (uint32_t)font_glyphs ? (uint32_t)font_glyphs : glyphs;
}

void gfx_text(int x, int y, const char *text, int count)
{
    if (!video_is_open)
        return;
    /* a run wholly above or below the screen draws nothing */
    if (font_table && y > -8 && y < screen_height) {
        /* cx steps 8 a glyph and stops right of the screen: no overflow */
        int32_t cx = x;
        for (int i = 0; i < count; i++, cx += 8) {
            if (cx >= screen_width)
                break; /* the rest of the run lies right of the screen */
            uint32_t c = (uint8_t)text[i];
            if (c >= glyph_count || cx <= -8)
                continue;
            const uint8_t *glyph = font_table + font_glyph_size * c;
            /* a glyph row covers two screen bytes at most; as the screen is
            ** whole bytes wide, clipping bytes clips pixels */
            int column = (cx + 8) / 8 - 1, shift = (cx + 8) % 8;
            for (int r = 0; r < 8; r++) {
                int row = y + r;
                if (row < 0 || row >= screen_height)
                    continue;
                uint32_t at = (uint32_t)row * screen_stride;
                if (column >= 0)
                    screen_ink(at + column, (uint8_t)(glyph[r] >> shift));
                if (shift && column + 1 < screen_stride)
                    screen_ink(at + column + 1, (uint8_t)(glyph[r] << (8 - shift)));
            }
        }
    }
    video_repaint();
}

/* Coordinates and widths held within 2^27 of the screen, and lines of at
** most 2^24 glyphs, keep the sums below in 32 bits (nothing shows that far). */
static int32_t held(int32_t v) { return v < -0x8000000 ? -0x8000000 : (v > 0x8000000 ? 0x8000000 : v); }

/* Lines cut at '\n', from y downwards 8 rows apart plus extra_rows after a
** line that is not empty; at x, or centred in width from x when centre is
** set (the excess halved toward zero). */
static void text_lines(int x, int y, int width, int centre, int extra_rows, const char *text)
{
    if (!text || !video_is_open)
        return;
    int32_t n = 0, line_y = held(y);
    x = held(x);
    width = held(width);
    for (const char *p = text;; p++) {
        if (*p != '\n' && *p != 0) {
            n++;
            continue;
        }
        /* below the screen a line stays below it: line_y stops there */
        if (n > 0) {
            int32_t glyphs = n < 0x1000000 ? n : 0x1000000;
            gfx_text(centre ? x + (width - 8 * glyphs) / 2 : x, line_y, p - n, n);
            if (line_y < screen_height)
                line_y += extra_rows;
        }
        if (line_y < screen_height)
            line_y += 8;
        n = 0;
        if (*p == 0)
            break;
    }
}

void gfx_text_left(int x, int y, const char *text) { text_lines(x, y, 0, 0, 0, text); }

void gfx_text_paragraph(int x, int y, const char *text) { text_lines(x, y, 0, 0, 1, text); }

void gfx_text_centred(int x, int y, int width, const char *text) { text_lines(x, y, width, 1, 0, text); }
