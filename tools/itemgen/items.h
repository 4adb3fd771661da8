// One finished item: its matrix, its answer cells, its two pictures, and
// the checks every item must pass.
#pragma once

#include <string>
#include <vector>

#include "tools/itemgen/canvas.h"
#include "tools/itemgen/rules.h"

namespace itemgen {

constexpr int pic_w = 352, pic_h = 190, pitch_x = 120, pitch_y = 70;

struct Item {
    std::string name;
    const Family *family = nullptr;
    Matrix matrix;          // with the right answer in the empty cell
    int empty = 0;          // problem cell left blank, 0 to 8
    unsigned mask = 0;      // answer cells present, bit c for cell c
    Cell options[9];        // what each present answer cell shows
    int answer_cell = 0;    // the answer cell holding the right answer
    int answer = 0;         // its digit: rank among the present cells, from 1
    int option_count() const;
};

// Builds an item of `family` with `options` answer cells (2 to 9); tries
// new random choices until every check passes. Returns false after too
// many tries.
bool build_item(const Family &family, const std::string &name, int options, Rng &rng, Item &item, std::string &why);

// The checks, independent of how the item was built: the matrix obeys its
// rules, exactly one present option completes it, no two options look the
// same, the digit matches the option's position, and the right option
// cannot be told from the options alone (shortcut.h).
bool check_item(const Item &item, std::string &why);

Canvas problem_picture(const Item &item);
Canvas answer_picture(const Item &item);

// Digit of the k-th present option counted from cell 0 (k from 1), or the
// digit of the option in `cell`.
int digit_of_cell(unsigned mask, int cell);

}  // namespace itemgen
