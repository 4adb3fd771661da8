// An item's two pictures read against its record: what the person under
// test would see that the author did not mean.
//
// Each picture is a 3x3 grid of 112x50 cells at a pitch of 120x70. Authors
// draw frames on the cells' edges, so a cell's frame band (its outer
// `cell_border` pixels, and up to `frame_reach` pixels outside it) may hold
// any ink; only the inside of a cell (the rest, 106x44 pixels) counts as
// its content. Ink further out lies outside the cells.
#pragma once

#include "tools/wdl/commands.h"
#include "host/mono_png.h"

#include <cstdint>
#include <string>
#include <vector>

namespace wdl {

using namespace host;  // the tools' shared library

enum : int { cell_border = 3, frame_reach = 2 };

struct ItemCells {
    std::string name;  // the picture name: NAME0 is the problem, NAME1 the answers
    int answer;        // digit of the right answer among the present cells
    uint16_t mask;     // bits 0..8: answer cells present; bits 12..15: the empty cell, 1..9
};

// Adds a finding for each of: ink inside the problem's empty cell (an
// error when it shows one of the answers), a present answer cell that is
// blank inside, ink in an answer cell that is not present, ink outside the
// cells, and answer cells that look the same inside (an error when one of
// them is the right answer). A picture that is not 352x190 is skipped.
void check_item_pictures(const std::string &label, const ItemCells &item, const Picture &problem,
                         const Picture &answers, size_t index, std::vector<Finding> &found);

}  // namespace wdl
