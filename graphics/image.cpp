/*
** One-bit pictures: placing them on the screen and capturing screen regions.
** Pictures sit on whole bytes (x is rounded down to a multiple of 8). Parts
** of a picture that fall outside the screen are clipped byte by byte; rows
** that are missing from a short picture block are not drawn.
*/
#include "graphics/gfx.h"
#include "graphics/screen_access.h"
#include "base/little_endian.h"
#include "base/memory.h"
#include "platform/platform.h"

uint32_t bitmap_stride(uint32_t width)
{
    uint32_t row = (width + 7) / 8;
    return (row + 3) & ~3u;
}

uint32_t bitmap_size(uint32_t width, uint32_t height) { return bitmap_header_size + bitmap_stride(width) * height; }

/* The part of a picture row that lies on the screen: row bytes [first, end)
** go to screen bytes from column + first. */
struct RowSpan {
    uint32_t first, end;
};

static RowSpan clip_row(int column, uint32_t row_length)
{
    RowSpan s;
    /* column is at least INT_MIN / 8: neither term overflows */
    int32_t lo = column < 0 ? -column : 0;
    int32_t hi = screen_stride - column;
    if (hi > (int32_t)row_length)
        hi = (int32_t)row_length;
    if (hi <= lo) {
        s.first = s.end = 0;
    } else {
        s.first = (uint32_t)lo;
        s.end = (uint32_t)hi;
    }
    return s;
}

/* floor(x / 8) for negative x too */
static int byte_column(int x) { return x >= 0 ? x / 8 : (x + 1) / 8 - 1; }

/* The screen row of picture row i (stored bottom row first), or -1 when it
** is off the screen; a picture whose bottom is below the screen has none. */
static int32_t screen_row(int y, uint32_t height, uint32_t i)
{
    if (y >= screen_height)
        return -1;
    int32_t sy = y + (int32_t)(height - 1 - i); /* y < 480, height < 65536 */
    return sy < screen_height ? sy : -1;
}

/* The rows of the picture block bmp (size bytes, header read) to the screen
** at (x, y), or (to_screen 0) from the screen into the block; rows off the
** screen are left as they are, and a short block ends the rows. */
static void move_rows(int x, int y, uint8_t *bmp, uint32_t size, int to_screen)
{
    uint32_t width = get_u16(bmp + bitmap_width_at), height = get_u16(bmp + bitmap_height_at);
    uint32_t row_length = (width + 7) / 8, stride = bitmap_stride(width);
    int column = byte_column(x);
    RowSpan span = clip_row(column, row_length);
    for (uint32_t i = 0; i < height && span.end > span.first; i++) {
        uint32_t at = bitmap_header_size + i * stride;
        if (at + row_length > size || at + row_length < at)
            break; /* the block ends before this row */
        int32_t sy = screen_row(y, height, i);
        if (sy < 0)
            continue;
        uint32_t offset = (uint32_t)sy * screen_stride + (uint32_t)(column + (int)span.first);
        if (to_screen)
            screen_write(offset, bmp + at + span.first, span.end - span.first);
        else
            screen_read(offset, bmp + at + span.first, span.end - span.first);
    }
}

void gfx_put_image(int x, int y, const void *image, uint32_t size)
{
    if (!video_is_open)
        return;
    if (image && size >= bitmap_header_size)
        move_rows(x, y, (uint8_t *)(uintptr_t)image, size, 1);
    video_repaint();
}

void *gfx_get_image(int x, int y, uint16_t width, uint16_t height)
{
    if (!video_is_open || width == 0 || height == 0)
        return 0;
    uint32_t size = bitmap_size(width, height);
    uint8_t *bmp = (uint8_t *)mem_alloc(size);
    if (!bmp)
        return 0;
    bmp[bitmap_width_at] = (uint8_t)width;
    bmp[bitmap_width_at + 1] = (uint8_t)(width >> 8);
    bmp[bitmap_height_at] = (uint8_t)height;
    bmp[bitmap_height_at + 1] = (uint8_t)(height >> 8);
    move_rows(x, y, bmp, size, 0); /* rows off the screen read as black */
    return bmp;
}
