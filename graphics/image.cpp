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
    int64_t lo = column < 0 ? -(int64_t)column : 0;
    int64_t hi = (int64_t)screen_stride - column;
    if (hi > (int64_t)row_length)
        hi = row_length;
    if (hi <= lo) {
        s.first = s.end = 0;
    } else {
        s.first = (uint32_t)lo;
        s.end = (uint32_t)hi;
    }
    return s;
}

/* floor(x / 8) for negative x too */
static int byte_column(int x) { return x >= 0 ? x / 8 : -(int)((-(int64_t)x + 7) / 8); }

void gfx_put_image(int x, int y, const void *image, uint32_t size)
{
    if (!video_is_open)
        return;
    const uint8_t *bmp = (const uint8_t *)image;
    if (bmp && size >= bitmap_header_size) {
        uint32_t width = get_u16(bmp + bitmap_width_at), height = get_u16(bmp + bitmap_height_at);
        uint32_t row_length = (width + 7) / 8, stride = bitmap_stride(width);
        int column = byte_column(x);
        RowSpan span = clip_row(column, row_length);
        for (uint32_t i = 0; i < height && span.end > span.first; i++) {
            uint32_t at = bitmap_header_size + i * stride;
            if (at + row_length > size || at + row_length < at)
                break; /* the block ends before this row */
            int64_t sy = (int64_t)y + height - 1 - i;
            if (sy < 0 || sy >= screen_height)
                continue;
            screen_write((uint32_t)sy * screen_stride + (uint32_t)(column + (int)span.first),
                         bmp + at + span.first, span.end - span.first);
        }
    }
    video_repaint();
}

void *gfx_get_image(int x, int y, uint16_t width, uint16_t height)
{
    if (!video_is_open || width == 0 || height == 0)
        return 0;
    uint32_t row_length = (width + 7u) / 8, stride = bitmap_stride(width);
    uint8_t *bmp = (uint8_t *)mem_alloc(bitmap_size(width, height));
    if (!bmp)
        return 0;
    bmp[bitmap_width_at] = (uint8_t)width;
    bmp[bitmap_width_at + 1] = (uint8_t)(width >> 8);
    bmp[bitmap_height_at] = (uint8_t)height;
    bmp[bitmap_height_at + 1] = (uint8_t)(height >> 8);
    int column = byte_column(x);
    RowSpan span = clip_row(column, row_length);
    if (span.end > span.first) {
        for (uint32_t i = 0; i < height; i++) {
            int64_t sy = (int64_t)y + height - 1 - i;
            if (sy < 0 || sy >= screen_height)
                continue; /* rows off the screen read as black */
            screen_read((uint32_t)sy * screen_stride + (uint32_t)(column + (int)span.first),
                        bmp + bitmap_header_size + i * stride + span.first,
                        span.end - span.first);
        }
    }
    return bmp;
}
