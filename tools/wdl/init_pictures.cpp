#include "tools/wdl/init_pictures.h"

#include "tools/wdl/test_source.h"

#include "runner/runner.h"

#include <algorithm>

namespace wdl {

using namespace host;  // the tools' shared library

namespace {

enum Figure { solid_square, square_outline, solid_disc, ring, figure_count };

void black(Picture &p, int x, int y) { p.white[size_t(y) * size_t(p.width) + size_t(x)] = 0; }

void frame(Picture &p, int c)
{
    const int x0 = cell_pitch_x * (c % 3), y0 = cell_pitch_y * (c / 3);
    for (int x = x0; x < x0 + cell_width; x++) {
        black(p, x, y0);
        black(p, x, y0 + cell_height - 1);
    }
    for (int y = y0; y < y0 + cell_height; y++) {
        black(p, x0, y);
        black(p, x0 + cell_width - 1, y);
    }
}

// A 20x20 figure centred on (cx, cy); outlines are 2 pixels wide.
void figure(Picture &p, Figure f, int cx, int cy)
{
    for (int dy = -10; dy < 10; dy++)
        for (int dx = -10; dx < 10; dx++) {
            const int r2 = (2 * dx + 1) * (2 * dx + 1) + (2 * dy + 1) * (2 * dy + 1);  // 4x the squared distance
            const bool edge = dx < -8 || dx > 7 || dy < -8 || dy > 7;
            const bool on = f == solid_square || (f == square_outline && edge) || (f == solid_disc && r2 <= 400) ||
                            (f == ring && r2 <= 400 && r2 > 256);
            if (on)
                black(p, cx + dx, cy + dy);
        }
}

// `count` figures side by side in the middle of cell c.
void cell_figures(Picture &p, int c, Figure f, int count)
{
    const int x0 = cell_pitch_x * (c % 3), y0 = cell_pitch_y * (c / 3);
    for (int i = 0; i < count; i++)
        figure(p, f, x0 + cell_width / 2 + 28 * i - 14 * (count - 1), y0 + cell_height / 2);
}

struct Plan {
    const char *name;
    Figure rows[3];    // the figure of each row; the count is the column + 1
    int empty;         // 0..8
    uint16_t cells;    // present answer cells
    int right_rank;    // where the right answer goes among them (0-based)
    Figure extra;      // with 9 answers: the third figure besides the right one's row and another row's
};

// The answers form a full grid (two or three figures, each once, twice and
// three times), so that no answer stands out from the others alone.
const Plan plans[] = {
    {"A01", {solid_square, square_outline, solid_disc}, 8, 0x1BA, 3, figure_count},
    {"A02", {ring, solid_square, square_outline}, 4, 0x1FF, 1, solid_disc},
    {"A03", {solid_disc, ring, solid_square}, 6, 0x16D, 5, figure_count},
    {"A04", {square_outline, solid_disc, ring}, 1, 0x1FF, 6, solid_square},
};

}  // namespace

Picture framed_picture(uint16_t cells)
{
    Picture p;
    p.width = picture_width;
    p.height = picture_height;
    p.white.assign(size_t(p.width) * size_t(p.height), 1);
    for (int c = 0; c < 9; c++)
        if ((cells >> c) & 1)
            frame(p, c);
    return p;
}

std::vector<ExampleItem> example_items()
{
    std::vector<ExampleItem> items;
    for (const Plan &plan : plans) {
        ExampleItem it;
        it.name = plan.name;
        it.cells = plan.cells;
        it.empty = plan.empty + 1;
        it.answer = plan.right_rank + 1;
        it.problem = framed_picture(0x1FF);
        for (int c = 0; c < 9; c++)
            if (c != plan.empty)
                cell_figures(it.problem, c, plan.rows[c / 3], c % 3 + 1);

        const Figure right_figure = plan.rows[plan.empty / 3];
        const int right_count = plan.empty % 3 + 1;
        std::vector<Figure> figures = {right_figure, plan.rows[(plan.empty / 3 + 1) % 3]};
        if (plan.extra != figure_count)
            figures.push_back(plan.extra);
        std::vector<std::pair<Figure, int>> answers;
        for (Figure f : figures)
            for (int n = 1; n <= 3; n++)
                answers.push_back({f, n});
        // turn the list so that the right answer lands at its rank
        const auto right = std::find(answers.begin(), answers.end(), std::make_pair(right_figure, right_count));
        std::rotate(answers.begin(), right, answers.end());
        std::rotate(answers.rbegin(), answers.rbegin() + plan.right_rank, answers.rend());

        it.answers = framed_picture(plan.cells);
        size_t k = 0;
        for (int c = 0; c < 9; c++)
            if ((plan.cells >> c) & 1) {
                cell_figures(it.answers, c, answers[k].first, answers[k].second);
                k++;
            }
        items.push_back(std::move(it));
    }
    return items;
}

}  // namespace wdl
