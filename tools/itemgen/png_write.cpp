#include "tools/itemgen/png_write.h"

#include <png.h>

#include <cstdio>
#include <vector>

namespace itemgen {

// libpng reports errors by longjmp back to setjmp. This frame holds no C++
// object and no local that changes after setjmp, so the jump skips no
// destructor and finds every value as it was.
static bool write_rows(FILE *f, png_uint_32 width, png_uint_32 height, png_bytepp rows)
{
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, info ? &info : nullptr);
        return false;
    }
    png_init_io(png, f);
    png_set_compression_level(png, 9);
    png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_NONE);
    png_set_IHDR(png, info, width, height, 1, PNG_COLOR_TYPE_GRAY, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    png_write_image(png, rows);
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

bool write_png(const std::string &path, const Canvas &canvas)
{
    const size_t stride = size_t(canvas.width() + 7) / 8;
    std::vector<png_byte> packed(stride * size_t(canvas.height()), 0xFF);
    std::vector<png_bytep> rows(size_t(canvas.height()));
    for (int y = 0; y < canvas.height(); y++) {
        png_bytep row = rows[size_t(y)] = &packed[size_t(y) * stride];
        for (int x = 0; x < canvas.width(); x++)
            if (canvas.ink(x, y))
                row[size_t(x / 8)] &= png_byte(~(0x80 >> (x % 8)));
    }
    FILE *f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    const bool written = write_rows(f, png_uint_32(canvas.width()), png_uint_32(canvas.height()), rows.data());
    return std::fclose(f) == 0 && written;
}

}  // namespace itemgen
