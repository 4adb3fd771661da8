// The pictures `wdl init` writes: blank framed templates to draw on, and the
// example items of a new test.
#pragma once

#include "host/mono_png.h"

#include <cstdint>
#include <string>
#include <vector>

namespace wdl {

using namespace host;  // the tools' shared library

// 352x190, white, a one-pixel frame along the edge of each cell in `cells`
// (bit c for cell c, 0..8 row by row).
Picture framed_picture(uint16_t cells);

// A small working item: counts of a figure grow along the rows, each row
// has its own figure.
struct ExampleItem {
    std::string name;
    int answer;      // digit of the right answer among the present cells
    uint16_t cells;  // present answer cells, bit c for cell c
    int empty;       // problem cell left empty, 1..9
    Picture problem, answers;
};
std::vector<ExampleItem> example_items();

}  // namespace wdl
