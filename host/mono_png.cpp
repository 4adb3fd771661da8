#include "host/mono_png.h"

#include "host/error.h"
#include "host/little_endian.h"

#include "archive/format.h"

#include <png.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

namespace host {

uint32_t mono_stride(uint32_t width) { return ((width + 7) / 8 + 3) & ~3u; }

Picture read_png(const std::string &path, int max_width, int max_height, MidTones *mid_tones)
{
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) {
        std::string why = image.message;
        png_image_free(&image);
        FILE *probe = std::fopen(path.c_str(), "rb");
        if (!probe)
            throw Error(path + ": cannot open the picture: " + std::strerror(errno));
        std::fclose(probe);
        throw Error(path + ": not a readable PNG picture (" + why + ")");
    }
    if (image.width > uint32_t(max_width) || image.height > uint32_t(max_height)) {
        std::string size = std::to_string(image.width) + "x" + std::to_string(image.height);
        png_image_free(&image);
        throw Error(path + ": the picture is " + size + " pixels, larger than " + std::to_string(max_width) + "x" +
                    std::to_string(max_height));
    }
    image.format = PNG_FORMAT_RGBA;
    std::vector<uint8_t> rgba(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, rgba.data(), 0, nullptr)) {
        std::string why = image.message;
        png_image_free(&image);
        throw Error(path + ": the PNG picture is damaged (" + why + ")");
    }
    Picture p;
    p.width = int(image.width);
    p.height = int(image.height);
    p.white.resize(size_t(p.width) * size_t(p.height));
    for (size_t i = 0; i < p.white.size(); i++) {
        const uint8_t *px = &rgba[i * 4];
        // luminance (ITU-R BT.601 weights) laid over a white background
        const uint32_t lum = (299u * px[0] + 587u * px[1] + 114u * px[2]) / 1000u;
        const uint32_t over_white = (lum * px[3] + 255u * (255u - px[3])) / 255u;
        p.white[i] = over_white >= white_threshold ? 1 : 0;
        if (mid_tones && over_white >= mid_tone_low && over_white <= mid_tone_high)
            (p.white[i] ? mid_tones->to_white : mid_tones->to_black)++;
    }
    png_image_free(&image);
    return p;
}

// libpng reports errors by longjmp back to setjmp. This frame holds no C++
// object and no local that changes after setjmp, so nothing is skipped or
// clobbered by the jump: the rows are packed before, the file closed after.
static bool write_gray1_rows(FILE *f, png_uint_32 width, png_uint_32 height, png_bytepp rows, bool smallest)
{
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        return false;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_init_io(png, f);
    if (smallest) {
        png_set_compression_level(png, 9);
        png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_NONE);
    }
    png_set_IHDR(png, info, width, height, 1, PNG_COLOR_TYPE_GRAY, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    png_write_image(png, rows);
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

void write_png(const std::string &path, const Picture &picture, bool smallest)
{
    const size_t stride = (size_t(picture.width) + 7) / 8;
    std::vector<uint8_t> packed(stride * size_t(picture.height), 0);
    std::vector<png_bytep> rows(size_t(picture.height));
    for (int y = 0; y < picture.height; y++) {
        png_bytep row = rows[size_t(y)] = &packed[size_t(y) * stride];
        for (int x = 0; x < picture.width; x++)
            if (picture.white[size_t(y) * size_t(picture.width) + size_t(x)])
                row[size_t(x) / 8] = uint8_t(row[size_t(x) / 8] | (0x80 >> (x % 8)));
    }
    FILE *f = std::fopen(path.c_str(), "wb");
    if (!f)
        throw Error(path + ": cannot write: " + std::strerror(errno));
    std::unique_ptr<FILE, int (*)(FILE *)> closer(f, std::fclose);
    if (!write_gray1_rows(f, png_uint_32(picture.width), png_uint_32(picture.height), rows.data(), smallest))
        throw Error(path + ": cannot write the PNG picture");
    if (std::fflush(f) != 0)
        throw Error(path + ": cannot write: " + std::strerror(errno));
}

std::vector<uint8_t> to_mono_bitmap(const Picture &p)
{
    const uint32_t stride = mono_stride(uint32_t(p.width));
    const uint32_t data = stride * uint32_t(p.height);
    std::vector<uint8_t> b(bitmap_header_size + data, 0);
    b[0] = 'B';
    b[1] = 'M';
    put32(b, 2, uint32_t(b.size()));
    put32(b, 10, bitmap_header_size);
    put32(b, 14, 40);
    put32(b, bitmap_width_at, uint32_t(p.width));
    put32(b, bitmap_height_at, uint32_t(p.height));  // positive: rows bottom-up
    put16(b, 26, 1);                                 // planes
    put16(b, bitmap_bits_at, 1);                     // bits per pixel
    put32(b, 34, data);
    put32(b, 38, 2835);  // 72 dots per inch
    put32(b, 42, 2835);
    put32(b, 46, 2);  // palette entries: black, then white
    b[58] = b[59] = b[60] = 0xFF;
    for (int y = 0; y < p.height; y++) {
        uint8_t *row = &b[bitmap_header_size + size_t(p.height - 1 - y) * stride];
        // bits past the width still reach the screen: keep them white
        for (uint32_t k = 0; k < (uint32_t(p.width) + 7) / 8; k++)
            row[k] = 0xFF;
        for (int x = 0; x < p.width; x++)
            if (!p.white[size_t(y) * size_t(p.width) + size_t(x)])
                row[x / 8] = uint8_t(row[x / 8] & ~(0x80 >> (x % 8)));
    }
    return b;
}

Picture from_mono_bitmap(const std::vector<uint8_t> &b, const std::string &what)
{
    Picture p;
    from_mono_bitmap(b, what, p);
    return p;
}

void from_mono_bitmap(const std::vector<uint8_t> &b, const std::string &what, Picture &p)
{
    if (b.size() < bitmap_header_size)
        throw Error(what + ": a picture needs at least its 62 header bytes, it has " + std::to_string(b.size()));
    const int width = int(get16(b, bitmap_width_at)), height = int(get16(b, bitmap_height_at));
    const uint32_t stride = mono_stride(uint32_t(width));
    const size_t need = bitmap_header_size + size_t(stride) * size_t(height);
    if (b.size() < need)
        throw Error(what + ": a " + std::to_string(width) + "x" + std::to_string(height) + " picture needs " +
                    std::to_string(need) + " bytes, it has " + std::to_string(b.size()));
    p.width = width;
    p.height = height;
    p.white.resize(size_t(width) * size_t(height));  // every pixel written below
    for (int y = 0; y < height; y++) {
        const uint8_t *row = &b[bitmap_header_size + size_t(height - 1 - y) * stride];
        uint8_t *out = p.white.data() + size_t(y) * size_t(width);
        for (int x = 0; x < width; x++)
            out[x] = (row[x / 8] >> (7 - x % 8)) & 1;
    }
}

}  // namespace host
