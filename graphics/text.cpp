/* Font text and text blocks in the 8x8 bitmap font. */
#include "graphics/gfx.h"
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
        for (int i = 0; i < count; i++) {
            uint32_t c = (uint8_t)text[i];
            if (c >= glyph_count)
                continue;
            const uint8_t *glyph = font_table + font_glyph_size * c;
            int64_t cx = (int64_t)x + 8 * (int64_t)i;
            if (cx >= screen_width)
                break; /* the rest of the run lies right of the screen */
            if (cx <= -8)
                continue;
            for (int r = 0; r < 8; r++)
                for (int k = 0; k < 8; k++)
                    if (glyph[r] & (0x80u >> k))
                        gfx_plot((int)(cx + k), y + r);
        }
    }
    video_repaint();
}

/* Lines cut at '\n', from y downwards 8 rows apart plus extra_rows after a
** line that is not empty; at x, or centred in width from x when centre is
** set (the excess halved toward zero). */
static void text_lines(int x, int y, int width, int centre, int extra_rows, const char *text)
{
    if (!text || !video_is_open)
        return;
    int n = 0;
    int64_t dy = 0;
    for (const char *p = text;; p++) {
        if (*p != '\n' && *p != 0) {
            n++;
            continue;
        }
        if (n > 0) {
            int64_t line_x = centre ? x + ((int64_t)width - 8 * (int64_t)n) / 2 : x;
            int64_t line_y = y + dy;
            /* a line too far off the screen to have a coordinate is off it */
            if (line_x < -0x7FFFFFFF || line_x > 0x7FFFFFFF || line_y < -0x7FFFFFFF || line_y > 0x7FFFFFFF)
                video_repaint();
            else
                gfx_text((int)line_x, (int)line_y, p - n, n);
            dy += extra_rows;
        }
        dy += 8;
        n = 0;
        if (*p == 0)
            break;
    }
}

void gfx_text_left(int x, int y, const char *text) { text_lines(x, y, 0, 0, 0, text); }

void gfx_text_paragraph(int x, int y, const char *text) { text_lines(x, y, 0, 0, 1, text); }

void gfx_text_centred(int x, int y, int width, const char *text) { text_lines(x, y, width, 1, 0, text); }
