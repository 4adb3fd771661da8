#include "tools/wdl/picture_check.h"

#include "tools/wdl/test_source.h"

#include "runner/runner.h"

#include <algorithm>

namespace wdl {

using namespace host;  // the tools' shared library

namespace {

struct Box {
    int x0, y0, x1, y1;  // inclusive
};

Box cell_box(int c, int shrink = 0)
{
    const int x = cell_pitch_x * (c % 3), y = cell_pitch_y * (c / 3);
    return {x + shrink, y + shrink, x + cell_width - 1 - shrink, y + cell_height - 1 - shrink};
}

bool ink(const Picture &p, int x, int y) { return !p.white[size_t(y) * size_t(p.width) + size_t(x)]; }

std::string span(const char *axis, int from, int to)
{
    return std::string(axis) + " " + std::to_string(from) + (to > from ? "-" + std::to_string(to) : "");
}

std::string describe(const Box &b) { return span("x", b.x0, b.x1) + ", " + span("y", b.y0, b.y1); }

// The bounding box of the ink inside cell c; false when there is none.
bool content(const Picture &p, int c, Box &bounds)
{
    const Box in = cell_box(c, cell_border);
    bool any = false;
    for (int y = in.y0; y <= in.y1; y++)
        for (int x = in.x0; x <= in.x1; x++)
            if (ink(p, x, y)) {
                bounds = any ? Box{std::min(bounds.x0, x), std::min(bounds.y0, y), std::max(bounds.x1, x),
                                   std::max(bounds.y1, y)}
                             : Box{x, y, x, y};
                any = true;
            }
    return any;
}

bool same_inside(const Picture &p, int a, const Picture &q, int b)
{
    const Box ia = cell_box(a, cell_border), ib = cell_box(b, cell_border);
    for (int y = 0; y <= ia.y1 - ia.y0; y++)
        for (int x = 0; x <= ia.x1 - ia.x0; x++)
            if (ink(p, ia.x0 + x, ia.y0 + y) != ink(q, ib.x0 + x, ib.y0 + y))
                return false;
    return true;
}

// The places (8-connected patches, in reading order) where ink lies
// outside every cell's frame band.
std::vector<std::pair<Box, size_t>> stray_ink(const Picture &p)
{
    static const std::vector<uint8_t> near_cell = [] {
        std::vector<uint8_t> near(size_t(picture_width) * picture_height, 0);
        for (int c = 0; c < 9; c++) {
            const Box b = cell_box(c, -frame_reach);
            for (int y = std::max(b.y0, 0); y <= std::min(b.y1, picture_height - 1); y++)
                for (int x = std::max(b.x0, 0); x <= std::min(b.x1, picture_width - 1); x++)
                    near[size_t(y) * picture_width + size_t(x)] = 1;
        }
        return near;
    }();
    thread_local std::vector<uint8_t> stray;  // kept between pictures, as the list below
    thread_local std::vector<size_t> todo;
    stray.resize(p.white.size());
    for (size_t i = 0; i < stray.size(); i++)
        stray[i] = !near_cell[i] && !p.white[i];
    std::vector<std::pair<Box, size_t>> patches;
    todo.clear();
    for (size_t start = 0; start < stray.size(); start++) {
        if (!stray[start])
            continue;
        Box b{int(start % size_t(p.width)), int(start / size_t(p.width)), 0, 0};
        b.x1 = b.x0;
        b.y1 = b.y0;
        size_t pixels = 0;
        stray[start] = 0;
        todo.push_back(start);
        while (!todo.empty()) {
            const size_t at = todo.back();
            todo.pop_back();
            pixels++;
            const int x = int(at % size_t(p.width)), y = int(at / size_t(p.width));
            b = {std::min(b.x0, x), std::min(b.y0, y), std::max(b.x1, x), std::max(b.y1, y)};
            for (int dy = -1; dy <= 1; dy++)
                for (int dx = -1; dx <= 1; dx++) {
                    const int nx = x + dx, ny = y + dy;
                    if (nx < 0 || ny < 0 || nx >= p.width || ny >= p.height)
                        continue;
                    const size_t n = size_t(ny) * size_t(p.width) + size_t(nx);
                    if (stray[n]) {
                        stray[n] = 0;
                        todo.push_back(n);
                    }
                }
        }
        patches.push_back({b, pixels});
    }
    return patches;
}

// The runner blanks an 8x8 square for each answer's number, between the
// rows of the answer picture (the bottom row's numbers lie below it): on
// the screen at (60 + 122 * column, 274 + 70 * row), the picture at (8, 220).
bool covers_a_number(const Box &b)
{
    for (int c = 0; c < 6; c++) {
        const Box number{52 + 122 * (c % 3), 54 + 70 * (c / 3), 59 + 122 * (c % 3), 61 + 70 * (c / 3)};
        if (b.x0 <= number.x1 && b.x1 >= number.x0 && b.y0 <= number.y1 && b.y1 >= number.y0)
            return true;
    }
    return false;
}

struct Report {
    std::vector<Finding> &found;
    std::string prefix;  // "item 4 (A04): answer picture A041: "
    std::string resource;
    int index;
    void error(const std::string &t) { found.push_back({true, prefix + t, resource, index, 0}); }
    void warn(const std::string &t) { found.push_back({false, prefix + t, resource, index, 0}); }

    void stray(const Picture &p, bool answers)
    {
        const auto patches = stray_ink(p);
        const size_t shown = std::min<size_t>(patches.size(), 3);
        for (size_t k = 0; k < shown; k++) {
            const Box &b = patches[k].first;
            std::string t = "ink outside the cells at " + describe(b) + " (" + std::to_string(patches[k].second) +
                            " pixels); only a frame may reach " + std::to_string(frame_reach) +
                            " pixels past a cell's edge";
            if (answers && covers_a_number(b))
                t += "; the answer numbers are drawn over part of it";
            if (k + 1 == shown && patches.size() > shown)
                t += "; and in " + std::to_string(patches.size() - shown) + " more places";
            warn(t);
        }
    }
};

int digit_of(uint16_t mask, int cell)
{
    int k = 0;
    for (int c = 0; c <= cell; c++)
        k += (mask >> c) & 1;
    return k;
}

std::string cell_name(uint16_t mask, int c)
{
    return "answer cell " + std::to_string(c + 1) + " (digit " + std::to_string(digit_of(mask, c)) + ")";
}

}  // namespace

void check_item_pictures(const std::string &label, const ItemCells &item, const Picture &problem,
                         const Picture &answers, size_t index, std::vector<Finding> &found)
{
    const auto usable = [](const Picture &p) { return p.width == picture_width && p.height == picture_height; };
    const uint16_t present = item.mask & 0x1FF;
    int right = -1;
    for (int c = 0; c < 9; c++)
        if (((present >> c) & 1) && digit_of(present, c) == item.answer)
            right = c;

    if (usable(answers)) {
        const std::string name = picture_name(item.name, '1');
        Report r{found, label + ": answer picture " + name + ": ", name, int(index)};
        std::vector<int> drawn;
        for (int c = 0; c < 9; c++) {
            Box b{};
            const bool has_ink = content(answers, c, b);
            if (((present >> c) & 1) && !has_ink)
                r.error(cell_name(present, c) + (c == right ? ", the right answer," : "") +
                        " is blank inside its frame; the person sees the number " +
                        std::to_string(digit_of(present, c)) + " under an empty cell");
            else if (!((present >> c) & 1) && has_ink)
                r.error("answer cell " + std::to_string(c + 1) + " is not among the item's cells but has ink at " +
                        describe(b) + "; it is shown without a number and cannot be chosen (list it in \"cells\" or "
                        "erase it)");
            else if (has_ink)
                drawn.push_back(c);
        }
        for (size_t i = 0; i < drawn.size(); i++)
            for (size_t j = i + 1; j < drawn.size(); j++) {
                const int a = drawn[i], b = drawn[j];
                if (!same_inside(answers, a, answers, b))
                    continue;
                if (a == right || b == right)
                    r.error("the right answer, " + cell_name(present, right) + ", looks exactly like " +
                            cell_name(present, a == right ? b : a) + "; the person cannot tell them apart");
                else
                    r.warn(cell_name(present, a) + " and " + cell_name(present, b) + " are identical");
            }
        r.stray(answers, true);
    }

    if (usable(problem)) {
        const std::string name = picture_name(item.name, '0');
        Report r{found, label + ": problem picture " + name + ": ", name, int(index)};
        const int empty = (item.mask >> 12) - 1;
        Box b{};
        if (empty >= 0 && empty < 9 && content(problem, empty, b)) {
            int shown = -1;
            for (int c = 0; c < 9 && shown < 0 && usable(answers); c++)
                if (((present >> c) & 1) && same_inside(problem, empty, answers, c))
                    shown = c;
            const std::string where = "the empty cell " + std::to_string(empty + 1) + " has ink at " + describe(b);
            if (shown >= 0)
                r.error(where + ": it already shows " + (shown == right ? "the right answer, " : "") +
                        cell_name(present, shown));
            else
                r.warn(where + "; the person sees it until an answer is tried there (leave the cell blank inside "
                               "its frame)");
        }
        r.stray(problem, false);
    }
}

}  // namespace wdl
