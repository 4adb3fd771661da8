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

/* The bits of mask in one screen byte take the ink's colour. */
void screen_ink(uint32_t offset, uint8_t mask)
{
    screen_put(offset, (uint8_t)((screen_get(offset) & ~mask) | (draw_colour & mask)));
}

void gfx_plot(int x, int y)
{
    if (!video_is_open || x < 0 || y < 0 || x >= screen_width || y >= screen_height)
        return;
    screen_ink((uint32_t)y * screen_stride + (uint32_t)x / 8, (uint8_t)(0x80u >> (x % 8)));
}

/* Row y from column xa to xb, both inclusive and on the screen: whole bytes
** at once, the same pixels as plotting them one by one. */
static void span(int y, int xa, int xb)
{
    uint32_t row = (uint32_t)y * screen_stride;
    int first = xa / 8, last = xb / 8;
    for (int b = first; b <= last; b++) {
        uint8_t mask = 0xFF;
        if (b == first)
            mask = (uint8_t)(mask >> (xa % 8));
        if (b == last)
            mask &= (uint8_t)(0xFF00u >> (xb % 8 + 1));
        screen_ink(row + b, mask);
    }
}

void gfx_row_line(int y, int x1, int x2)
{
    if (!video_is_open)
        return;
    int xa = x1 < x2 ? x1 : x2, xb = x1 < x2 ? x2 : x1;
    if (y < 0 || y >= screen_height || xb < 0 || xa >= screen_width)
        return;
    span(y, xa < 0 ? 0 : xa, xb >= screen_width ? screen_width - 1 : xb);
}

/* Integer error-term stepping from the upper endpoint along the longer axis;
** a tie steps the minor axis, so the pixels do not depend on the order of
** the endpoints. Endpoints are first held within 2^28 of the screen, so
** that the 32-bit terms cannot overflow (nothing draws lines that long). */
static int near(int v) { return v < -0x10000000 ? -0x10000000 : (v > 0x10000000 ? 0x10000000 : v); }

void gfx_column_line(int x, int y1, int y2)
{
    int ya = y1 < y2 ? y1 : y2, yb = y1 < y2 ? y2 : y1;
    if (ya < 0)
        ya = 0;
    for (int y = ya; y <= yb && y < screen_height; y++)
        gfx_plot(x, y);
}

void gfx_slant_line(int x1, int y1, int x2, int y2)
{
    if (!video_is_open)
        return;
    if (y1 > y2) {
        int t = x1; x1 = x2; x2 = t;
        t = y1; y1 = y2; y2 = t;
    }
    x1 = near(x1), y1 = near(y1), x2 = near(x2), y2 = near(y2);
    int32_t dx = x2 > x1 ? x2 - x1 : x1 - x2;
    int32_t dy = y2 - y1;
    int sx = x2 > x1 ? 1 : (x2 < x1 ? -1 : 0);
    int steep = dy > dx;
    int32_t major = steep ? dy : dx, minor = steep ? dx : dy;
    int32_t x = x1, y = y1, e = 2 * minor - major;
    for (int32_t i = 0; i <= major; i++) {
        gfx_plot(x, y);
        int step_minor = e >= 0;
        e += 2 * minor - (step_minor ? 2 * major : 0);
        if (steep || step_minor)
            y++;
        if (!steep || step_minor)
            x += sx;
    }
}

void gfx_rect(int x1, int y1, int x2, int y2)
{
    if (!video_is_open)
        return;
    gfx_row_line(y1, x1, x2);
    gfx_column_line(x2, y1, y2);
    gfx_row_line(y2, x1, x2);
    gfx_column_line(x1, y1, y2);
    video_repaint();
}

void gfx_bar(int x1, int y1, int x2, int y2)
{
    if (!video_is_open)
        return;
    int ya = y1 < y2 ? y1 : y2;
    int yb = y1 < y2 ? y2 : y1;
    /* rows off the screen draw nothing; leaving them out keeps huge bars
    ** cheap and changes no pixel */
    if (ya < 0)
        ya = 0;
    if (yb > screen_height - 1)
        yb = screen_height - 1;
    for (int y = ya; y <= yb; y++)
        gfx_row_line(y, x1, x2);
    video_repaint();
}
