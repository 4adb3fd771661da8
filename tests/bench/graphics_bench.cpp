// Drawing: an item screen's worth of operations, and its pieces.
#include <benchmark/benchmark.h>

#include <cstring>

#include "base/memory.h"
#include "graphics/gfx.h"
#include "platform/platform.h"
#include "tests/bench/bench_data.h"
#include "headless/headless.h"

namespace {

// An open headless display, a font and two item pictures.
class Scene {
public:
    Scene() : font_(bench::font()), problem_(bench::item_picture(352, 190, 0)), answers_(bench::item_picture(352, 190, 1))
    {
        headless::reset();
        video_open();
        gfx_set_font(font_.data(), uint32_t(font_.size()));
    }
    ~Scene()
    {
        gfx_set_font(nullptr, 0);
        video_close();
    }
    void put_problem(int x, int y) const { gfx_put_image(x, y, problem_.data(), uint32_t(problem_.size())); }
    void put_answers(int x, int y) const { gfx_put_image(x, y, answers_.data(), uint32_t(answers_.size())); }

private:
    bench::Bytes font_, problem_, answers_;
};

const char heading[] = "\x87\xa0\xa4\xa0\xad\xa8\xa5";  // CP866 text
const char hint[] = "1-9: \xae\xe2\xa2\xa5\xe2, Enter: \xa4\xa0\xab\xa5\xa5, Esc: \xa2\xeb\xe5\xae\xa4";
const char item_text[] = "\x8a\xa0\xaa\xae\xa9 \xe4\xe0\xa0\xa3\xac\xa5\xad\xe2\n\xad\xe3\xa6\xa5\xad "
                         "\xa2 \xaf\xe3\xe1\xe2\xe3\xee\n\xaa\xab\xa5\xe2\xaa\xe3?";

// What showing one item draws: frame, panel texts, both pictures, answer
// numbers, counter and item text.
void draw_item_screen(const Scene &scene)
{
    gfx_set_colour(1);
    gfx_clear();
    gfx_set_colour(0);
    gfx_line(360, 0, 360, 430);
    gfx_line(0, 209, 360, 209);
    gfx_line(0, 430, 360, 430);
    gfx_text_centred(361, 10, 279, heading);
    gfx_text_left(10, 435, hint);
    scene.put_problem(8, 10);
    scene.put_answers(8, 220);
    for (int cell = 0; cell < 9; cell++) {
        char digit = char('1' + cell);
        gfx_text(8 + 120 * (cell % 3) + 100, 220 + 70 * (cell / 3) + 40, &digit, 1);
    }
    gfx_set_colour(1);
    gfx_bar(361, 42, 638, 66);
    gfx_set_colour(0);
    gfx_text_centred(361, 50, 279, "12 / 40");
    gfx_text_centred(361, 80, 279, item_text);
}

void BM_ItemScreen(benchmark::State &state)
{
    Scene scene;
    for (auto _ : state) {
        draw_item_screen(scene);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(int64_t(state.iterations()));
}
BENCHMARK(BM_ItemScreen);

void BM_PutImage352x190(benchmark::State &state)
{
    Scene scene;
    for (auto _ : state) {
        scene.put_problem(8, 10);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * 44 * 190);
}
BENCHMARK(BM_PutImage352x190);

// The answer preview's save and restore of one 112x50 cell.
void BM_CellCaptureAndRestore(benchmark::State &state)
{
    Scene scene;
    scene.put_problem(8, 10);
    for (auto _ : state) {
        void *saved = gfx_get_image(128, 80, 112, 50);
        gfx_put_image(128, 80, saved, bitmap_size(112, 50));
        mem_free(saved);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_CellCaptureAndRestore);

// A screen of instruction text: 50 lines of 70 characters.
void BM_TextBlockFullScreen(benchmark::State &state)
{
    Scene scene;
    bench::Bytes text = bench::cp866_text(50 * 72);
    text.push_back(0);
    for (auto _ : state) {
        gfx_text_paragraph(16, 16, reinterpret_cast<const char *>(text.data()));
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(text.size()));
}
BENCHMARK(BM_TextBlockFullScreen);

void BM_BarFullScreen(benchmark::State &state)
{
    Scene scene;
    for (auto _ : state) {
        gfx_bar(0, 0, 639, 479);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_BarFullScreen);

}  // namespace
