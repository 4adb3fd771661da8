// The drawing operations on any pictures, fonts and texts at any position.
// Every operation is checked against a model of the screen written from
// the buffer layout: exactly the expected bytes change, the repaint count
// grows exactly as it should, captures hold the screen's bytes and put back
// restore it (a capture without memory gives nothing), and with the display
// closed nothing is touched at all.
//
// Input: a program of operations, each an opcode byte and its arguments
// (see run_one); bytes past the end read as 0. FUZZ_TRACE=1 in the
// environment prints the operations of a crashing input.
#include <limits.h>
#include <stdio.h>
#include <stdlib.h>
#include <stdint.h>
#include <string.h>

#include <vector>

#include "base/memory.h"
#include "graphics/gfx.h"
#include "platform/platform.h"
#include "frontend/screen_memory.h"
#include "tests/fuzz/check.h"
#include "tests/fuzz/fuzz_platform.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size);

namespace {

using Bytes = std::vector<uint8_t>;

struct Reader {
    const uint8_t *p;
    size_t left;
    uint8_t u8()
    {
        if (!left)
            return 0;
        left--;
        return *p++;
    }
    uint16_t u16()
    {
        uint16_t lo = u8();
        return uint16_t(lo | u8() << 8);
    }
    // -1500..1500, for lines, outlines and bars: their cost grows with
    // their length and area, off-screen parts included
    int near() { return int16_t(u16()) % 1501; }
    // the same, or now and then the ends of the int range
    int any()
    {
        int16_t v = int16_t(u16());
        if (v == INT16_MIN)
            return INT_MIN;
        if (v == INT16_MAX)
            return INT_MAX;
        return v % 5001;
    }
    Bytes bytes(size_t n)
    {
        Bytes b(n, 0);
        for (size_t i = 0; i < n; i++)
            b[i] = u8();
        return b;
    }
};

// The screen model.
struct Model {
    uint8_t b[38400];
    void set(int64_t x, int64_t y, bool white)
    {
        if (x < 0 || y < 0 || x >= 640 || y >= 480)
            return;
        uint8_t bit = uint8_t(0x80 >> (x % 8));
        uint8_t &v = b[y * 80 + x / 8];
        v = white ? uint8_t(v | bit) : uint8_t(v & ~bit);
    }
};

Model model;
uint8_t *font_block;  // current font, from mem_alloc
uint32_t font_length;
bool display_open;

void model_text(int64_t x, int64_t y, const uint8_t *text, int64_t count, bool white)
{
    if (!font_block || count <= 0)
        return;
    size_t glyphs = font_length / 8;
    for (int64_t i = 0; i < count; i++) {
        size_t c = text[i];
        if (c >= glyphs || c >= 256)
            continue;
        int64_t cx = x + 8 * i;
        if (cx >= 640)
            break;
        for (int r = 0; r < 8; r++)
            for (int k = 0; k < 8; k++)
                if (font_block[c * 8 + size_t(r)] & (0x80 >> k))
                    model.set(cx + k, y + r, white);
    }
}

int64_t floor8(int64_t x) { return x >= 0 ? x / 8 : -((-x + 7) / 8); }

void model_put(int64_t x, int64_t y, const uint8_t *pic, size_t size)
{
    if (!pic || size < bitmap_header_size)
        return;
    uint64_t width = pic[bitmap_width_at] | pic[bitmap_width_at + 1] << 8;
    uint64_t height = pic[bitmap_height_at] | pic[bitmap_height_at + 1] << 8;
    uint64_t row = (width + 7) / 8, stride = (row + 3) & ~uint64_t(3);
    int64_t column = floor8(x);
    for (uint64_t i = 0; i < height; i++) {
        uint64_t at = bitmap_header_size + i * stride;
        if (at + row > size)
            break;
        int64_t sy = y + int64_t(height) - 1 - int64_t(i);
        if (sy < 0 || sy >= 480)
            continue;
        for (uint64_t k = 0; k < row; k++) {
            int64_t sc = column + int64_t(k);
            if (sc >= 0 && sc < 80)
                model.b[sy * 80 + sc] = pic[at + k];
        }
    }
}

void expect_screen()
{
    FUZZ_CHECK(memcmp(fuzzplat::screen, model.b, sizeof model.b) == 0);
}

// Every pixel that changed since the model was taken satisfies allowed.
template <class Allowed>
void check_changes(Allowed allowed)
{
    for (int i = 0; i < 38400; i++) {
        uint8_t d = uint8_t(fuzzplat::screen[i] ^ model.b[i]);
        for (int k = 0; d && k < 8; k++)
            if (d & (0x80 >> k))
                FUZZ_CHECK(allowed(int64_t(i % 80 * 8 + k), int64_t(i / 80)));
    }
}

bool pixel_is(int64_t x, int64_t y, uint8_t colour)
{
    if (x < 0 || y < 0 || x >= 640 || y >= 480)
        return true;
    return !!(fuzzplat::screen[y * 80 + x / 8] & (0x80 >> (x % 8))) == (colour != 0);
}

int64_t lo(int64_t a, int64_t b) { return a < b ? a : b; }
int64_t hi(int64_t a, int64_t b) { return a < b ? b : a; }

// A line: its ends carry the colour, nothing outside its bounding box
// changes, no more pixels change than it has, and drawing it again the
// other way round changes nothing.
void check_line(int x1, int y1, int x2, int y2, uint8_t colour)
{
    gfx_line(x1, y1, x2, y2);
    FUZZ_CHECK(pixel_is(x1, y1, colour) && pixel_is(x2, y2, colour));
    int64_t changed = 0;
    check_changes([&](int64_t x, int64_t y) {
        changed++;
        return x >= lo(x1, x2) && x <= hi(x1, x2) && y >= lo(y1, y2) && y <= hi(y1, y2);
    });
    FUZZ_CHECK(changed <= hi(hi(x1, x2) - lo(x1, x2), hi(y1, y2) - lo(y1, y2)) + 1);
    memcpy(model.b, fuzzplat::screen, sizeof model.b);
    gfx_line(x2, y2, x1, y1);
    expect_screen();
}

// An outline: its corners carry the colour and only its four sides change.
void check_rect(int x1, int y1, int x2, int y2, uint8_t colour)
{
    gfx_rect(x1, y1, x2, y2);
    FUZZ_CHECK(pixel_is(x1, y1, colour) && pixel_is(x2, y1, colour) && pixel_is(x1, y2, colour) &&
               pixel_is(x2, y2, colour));
    check_changes([&](int64_t x, int64_t y) {
        bool inside = x >= lo(x1, x2) && x <= hi(x1, x2) && y >= lo(y1, y2) && y <= hi(y1, y2);
        return inside && (x == x1 || x == x2 || y == y1 || y == y2);
    });
    memcpy(model.b, fuzzplat::screen, sizeof model.b);
}

void run_one(Reader &in)
{
    const uint64_t repaints_before = fuzzplat::repaints;
    uint64_t repaints = 0;  // expected growth
    const int op = in.u8() % 12;
    if (getenv("FUZZ_TRACE"))
        fprintf(stderr, "op %d\n", op);
    switch (op) {
    case 0: {
        gfx_set_colour(in.u8());
        break;
    }
    case 1: {  // clear
        gfx_clear();
        if (display_open) {
            memset(model.b, draw_colour, sizeof model.b);
            repaints = 1;
        }
        break;
    }
    case 2: {
        int x = in.any(), y = in.any();
        gfx_plot(x, y);
        if (display_open)
            model.set(x, y, draw_colour != 0);
        break;
    }
    case 3: {
        int x1 = in.near(), y1 = in.near(), x2 = in.near(), y2 = in.near();
        if (display_open) {
            check_line(x1, y1, x2, y2, draw_colour);
        } else {
            gfx_line(x1, y1, x2, y2);
        }
        break;
    }
    case 4: {
        int x1 = in.near(), y1 = in.near(), x2 = in.near(), y2 = in.near();
        if (display_open) {
            check_rect(x1, y1, x2, y2, draw_colour);
            repaints = 1;
        } else {
            gfx_rect(x1, y1, x2, y2);
        }
        break;
    }
    case 5: {
        int x1 = in.near(), y1 = in.near(), x2 = in.near(), y2 = in.near();
        gfx_bar(x1, y1, x2, y2);
        if (display_open) {
            for (int64_t y = hi(lo(y1, y2), 0); y <= lo(hi(y1, y2), 479); y++)
                for (int64_t x = hi(lo(x1, x2), 0); x <= lo(hi(x1, x2), 639); x++)
                    model.set(x, y, draw_colour != 0);
            repaints = 1;
        }
        break;
    }
    case 6: {  // a new font of any length, or none
        size_t n = in.u16() % 2600;
        gfx_set_font(nullptr, 0);
        mem_free(font_block);
        font_block = nullptr;
        font_length = 0;
        if (n) {
            Bytes b = in.bytes(n);
            font_block = static_cast<uint8_t *>(mem_alloc(uint32_t(n)));
            FUZZ_CHECK(font_block != nullptr);
            memcpy(font_block, b.data(), n);
            font_length = uint32_t(n);
        }
        gfx_set_font(font_block, font_length);
        break;
    }
    case 7: {
        int x = in.any(), y = in.any();
        size_t n = in.u8();
        int count = int(int8_t(in.u8()));
        if (count > int(n))
            count = int(n);
        Bytes text = in.bytes(n);  // exactly n bytes: reading past them is seen
        gfx_text(x, y, reinterpret_cast<const char *>(text.data()), count);
        if (display_open) {
            model_text(x, y, text.data(), count, draw_colour != 0);
            repaints = 1;
        }
        break;
    }
    case 8: {  // a text block: left, paragraph or centred
        int x = in.any(), y = in.any(), width = int(int16_t(in.u16()));
        const int layout = in.u8() % 4;  // 3: centred in an extreme width
        if (layout == 3)
            width = width < 0 ? INT_MIN : INT_MAX;
        size_t n = in.u8();
        Bytes text = in.bytes(n);
        text.push_back(0);
        const char *t = reinterpret_cast<const char *>(text.data());
        if (getenv("FUZZ_TRACE")) {
            fprintf(stderr, "text block %d at %d %d width %d:", layout, x, y, width);
            for (uint8_t c : text)
                fprintf(stderr, " %02x", c);
            fprintf(stderr, "\n");
        }
        if (layout == 0)
            gfx_text_left(x, y, t);
        else if (layout == 1)
            gfx_text_paragraph(x, y, t);
        else
            gfx_text_centred(x, y, width, t);
        if (display_open) {
            int64_t dy = 0, line = 0;
            for (size_t i = 0; i < text.size(); i++) {
                if (text[i] != '\n' && text[i] != 0)
                    continue;
                int64_t len = int64_t(i) - line;
                if (len > 0) {
                    int64_t lx = layout >= 2 ? x + (int64_t(width) - 8 * len) / 2 : x;
                    model_text(lx, y + dy, text.data() + line, len, draw_colour != 0);
                    repaints++;
                    if (layout == 1)
                        dy++;
                }
                dy += 8;
                line = int64_t(i) + 1;
                if (text[i] == 0)
                    break;  // the text ends at its first zero byte
            }
        }
        break;
    }
    case 9: {  // a picture block of any length, or null
        int x = in.any(), y = in.any();
        size_t n = in.u16() % 4000;
        uint8_t *pic = nullptr;
        if (n != 3999) {
            Bytes b = in.bytes(n);
            pic = static_cast<uint8_t *>(mem_alloc(uint32_t(n)));
            FUZZ_CHECK(pic != nullptr);
            if (n)
                memcpy(pic, b.data(), n);
        }
        gfx_put_image(x, y, pic, uint32_t(n));
        if (display_open) {
            model_put(x, y, pic, n);
            repaints = 1;
        }
        mem_free(pic);
        break;
    }
    case 10: {  // capture, check, put back
        int x = in.any(), y = in.any();
        const uint16_t wide = in.u16();
        uint16_t w = wide % 1024, h = in.u16() % 1024;
        const bool no_memory = wide & 0x8000;  // its one allocation fails
        fuzzplat::allocations = 0;
        fuzzplat::fail_allocation = no_memory ? 1 : 0;
        uint8_t *pic = static_cast<uint8_t *>(gfx_get_image(x, y, w, h));
        fuzzplat::fail_allocation = 0;
        if (!display_open || !w || !h || no_memory) {
            FUZZ_CHECK(pic == nullptr);
            break;
        }
        FUZZ_CHECK(pic != nullptr);
        uint32_t row = (w + 7u) / 8, stride = (row + 3) & ~3u;
        FUZZ_CHECK(bitmap_size(w, h) == bitmap_header_size + stride * h);
        for (int i = 0; i < bitmap_header_size; i++)
            FUZZ_CHECK(pic[i] == (i == bitmap_width_at ? uint8_t(w) : i == bitmap_width_at + 1 ? uint8_t(w >> 8)
                                  : i == bitmap_height_at ? uint8_t(h) : i == bitmap_height_at + 1 ? uint8_t(h >> 8)
                                  : 0));
        int64_t column = floor8(x);
        for (uint32_t i = 0; i < h; i++) {
            int64_t sy = int64_t(y) + h - 1 - i;
            for (uint32_t k = 0; k < stride; k++) {
                int64_t sc = column + k;
                uint8_t v = pic[bitmap_header_size + i * stride + k];
                if (k >= row)
                    FUZZ_CHECK(v == 0);  // padding stays zero
                else if (sy >= 0 && sy < 480 && sc >= 0 && sc < 80)
                    FUZZ_CHECK(v == fuzzplat::screen[sy * 80 + sc]);
            }
        }
        gfx_put_image(x, y, pic, bitmap_size(w, h));  // restores the region: nothing changes
        repaints = 1;
        mem_free(pic);
        break;
    }
    case 11: {  // open or close the display
        if (display_open) {
            video_close();
            display_open = false;
        } else {
            FUZZ_CHECK(video_open() == 1);
            display_open = true;
            memset(model.b, draw_colour, sizeof model.b);
            repaints = 1;
        }
        break;
    }
    }
    expect_screen();
    FUZZ_CHECK(fuzzplat::repaints - repaints_before == repaints);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // a fresh display, noise on the screen, black ink, no font
    video_close();
    static uint8_t noise[sizeof model.b];  // made once: every run starts from the same screen
    static const bool made = [] {
        for (size_t i = 0; i < sizeof noise; i++)
            noise[i] = uint8_t(i * 7 + i / 80);
        return true;
    }();
    (void)made;
    memcpy(model.b, noise, sizeof model.b);
    memcpy(fuzzplat::screen, noise, sizeof model.b);
    screen_bits = fuzzplat::screen;
    video_is_open = 1;
    display_open = true;
    gfx_set_colour(0);
    gfx_set_font(nullptr, 0);
    fuzzplat::repaints = 0;

    Reader in{data, size};
    for (int ops = 0; ops < 32 && in.left; ops++)
        run_one(in);

    gfx_set_font(nullptr, 0);
    mem_free(font_block);
    font_block = nullptr;
    font_length = 0;
    video_close();
    FUZZ_CHECK(fuzzplat::live_blocks == 0);
    return 0;
}
