/* Colour, clear, pixels, lines, outlines and bars. */
#include "graphics/gfx.h"
#include "graphics/screen_access.h"
#include "platform/platform.h"

uint8_t video_is_open;
uint8_t draw_colour;

void gfx_set_colour(uint8_t colour) { draw_colour = colour ? 0xFF : 0x00; }

void gfx_clear(void)
{
    if (!video_is_open)
        return;
    screen_fill(draw_colour);
    video_repaint();
}

void gfx_plot(int x, int y)
{
    if (!video_is_open || x < 0 || y < 0 || x >= screen_width || y >= screen_height)
        return;
    uint32_t offset = (uint32_t)y * screen_stride + (uint32_t)x / 8;
    uint8_t bit = (uint8_t)(0x80u >> (x % 8));
    uint8_t b = screen_get(offset);
    screen_put(offset, draw_colour ? (uint8_t)(b | bit) : (uint8_t)(b & ~bit));
}

/* Integer error-term stepping from the upper endpoint; a tie steps the
** minor axis, so the pixels do not depend on the order of the endpoints.
** The terms are 64-bit so that no coordinates can overflow them. */
void gfx_line(int x1, int y1, int x2, int y2)
{
    if (y1 > y2) {
        int t = x1; x1 = x2; x2 = t;
        t = y1; y1 = y2; y2 = t;
    }
    int64_t dx = x2 > x1 ? (int64_t)x2 - x1 : (int64_t)x1 - x2;
    int64_t dy = (int64_t)y2 - y1;
    int sx = x2 > x1 ? 1 : (x2 < x1 ? -1 : 0);
    int64_t x = x1, y = y1;

    if (dx >= dy) {
        int64_t e = 2 * dy - dx;
        for (int64_t i = 0; i <= dx; i++) {
            gfx_plot((int)x, (int)y);
            x += sx;
            if (e < 0) {
                e += 2 * dy;
            } else {
                e += 2 * dy - 2 * dx;
                y++;
            }
        }
    } else {
        int64_t e = 2 * dx - dy;
        for (int64_t i = 0; i <= dy; i++) {
            gfx_plot((int)x, (int)y);
            y++;
            if (e < 0) {
                e += 2 * dx;
            } else {
                e += 2 * dx - 2 * dy;
                x += sx;
            }
        }
    }
}

void gfx_rect(int x1, int y1, int x2, int y2)
{
    if (!video_is_open)
        return;
    gfx_line(x1, y1, x2, y1);
    gfx_line(x2, y1, x2, y2);
    gfx_line(x2, y2, x1, y2);
    gfx_line(x1, y2, x1, y1);
    video_repaint();
}

static int clamp_column(int x) { return x < -1 ? -1 : (x > screen_width ? screen_width : x); }

void gfx_bar(int x1, int y1, int x2, int y2)
{
    if (!video_is_open)
        return;
    int ya = y1 < y2 ? y1 : y2;
    int yb = y1 < y2 ? y2 : y1;
    /* rows and columns off the screen draw nothing; leaving them out keeps
    ** huge bars cheap and changes no pixel, as every row is horizontal */
    if (ya < 0)
        ya = 0;
    if (yb > screen_height - 1)
        yb = screen_height - 1;
    x1 = clamp_column(x1);
    x2 = clamp_column(x2);
    for (int y = ya; y <= yb; y++)
        gfx_line(x1, y, x2, y);
    video_repaint();
}
