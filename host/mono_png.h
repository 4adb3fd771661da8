// One-bit pictures: PNG files in the source folder, MonoBitmaps (complete
// one-bit BMP file images, bottom-up rows padded to 4 bytes) in the archive.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace host {

struct Picture {
    int width = 0, height = 0;
    std::vector<uint8_t> white;  // one per pixel, rows top to bottom: 1 white, 0 black
};

// Pixels of a PNG that were neither black nor white: mid-tones, whose
// brightness lies between mid_tone_low and mid_tone_high (of 255).
struct MidTones {
    size_t to_white = 0, to_black = 0;  // how the threshold turned them
};
enum : int { white_threshold = 128, mid_tone_low = 32, mid_tone_high = 223 };

// Any PNG (bit depth, colour type, palette, alpha). A pixel is white when its
// luminance over a white background is at least white_threshold (50%), so
// transparent pixels are white. Throws Error naming the file; pictures
// larger than max_width x max_height are refused before they are decoded.
Picture read_png(const std::string &path, int max_width, int max_height, MidTones *mid_tones = nullptr);
// A one-bit greyscale PNG with no time stamp or other varying chunk, so
// equal pictures give equal files; `smallest` packs it hardest (zlib level
// 9, rows unfiltered), for generated content kept in the repository.
void write_png(const std::string &path, const Picture &picture, bool smallest = false);

std::vector<uint8_t> to_mono_bitmap(const Picture &picture);
// Throws Error when the bytes are too short for the size in their header.
Picture from_mono_bitmap(const std::vector<uint8_t> &bytes, const std::string &what);
// The same into a picture kept from before: its pixels' memory is reused
// (a check of many pictures allocates none after the first).
void from_mono_bitmap(const std::vector<uint8_t> &bytes, const std::string &what, Picture &into);

uint32_t mono_stride(uint32_t width);

}  // namespace host
