#include "tools/itemgen/png_write.h"

#include <png.h>

#include <cstdio>
#include <vector>

namespace itemgen {

bool write_png(const std::string &path, const Canvas &canvas)
{
    FILE *f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, info ? &info : nullptr);
        std::fclose(f);
        return false;
    }
    png_init_io(png, f);
    png_set_compression_level(png, 9);
    png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_NONE);
    png_set_IHDR(png, info, png_uint_32(canvas.width()), png_uint_32(canvas.height()), 1, PNG_COLOR_TYPE_GRAY,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    std::vector<png_byte> row(size_t(canvas.width() + 7) / 8);
    for (int y = 0; y < canvas.height(); y++) {
        for (size_t i = 0; i < row.size(); i++)
            row[i] = 0xFF;
        for (int x = 0; x < canvas.width(); x++)
            if (canvas.ink(x, y))
                row[size_t(x / 8)] &= png_byte(~(0x80 >> (x % 8)));
        png_write_row(png, row.data());
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return std::fclose(f) == 0;
}

}  // namespace itemgen
