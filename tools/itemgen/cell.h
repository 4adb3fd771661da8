// What one cell of an item shows, and how it is drawn (112x50 pixels).
#pragma once

#include <string>

#include "tools/itemgen/canvas.h"

namespace itemgen {

constexpr int cell_w = 112, cell_h = 50;

enum Shape { circle, square, triangle, diamond, hexagon, star, cross, arrow, shape_count };

// Three ways a cell can look: a row of like figures, line strokes from a
// fixed set of eight, or a 2x4 grid of dots that are either full or empty.
enum class Kind { figures, strokes, dots };

struct Cell {
    Kind kind = Kind::figures;
    int shape = circle;
    int count = 1;   // figures side by side, 1 to 4
    int size = 1;    // 0 to 3
    int fill = 0;    // Fill: outline, solid, striped
    int rot = 0;     // 0 to 7, steps of 45 degrees clockwise
    unsigned bits = 0;  // strokes or full dots, bits 0 to 7

    bool operator==(const Cell &o) const
    {
        return kind == o.kind && shape == o.shape && count == o.count && size == o.size && fill == o.fill &&
               rot == o.rot && bits == o.bits;
    }
    bool operator!=(const Cell &o) const { return !(*this == o); }
};

// True when the cell can be drawn inside 112x50 without figures touching.
bool drawable(const Cell &cell);

// The cell's picture including its one-pixel frame.
Canvas draw_cell(const Cell &cell);

// Short description for reports, e.g. "3 striped circle s1 r0".
std::string describe(const Cell &cell);

}  // namespace itemgen
