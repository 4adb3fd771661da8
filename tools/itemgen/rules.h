// Rule families: how the nine cells of an item's matrix hang together, and
// the test whether a completed matrix obeys them.
#pragma once

#include <array>
#include <functional>
#include <string>
#include <vector>

#include "tools/itemgen/cell.h"
#include "tools/itemgen/rng.h"

namespace itemgen {

using Matrix = std::array<Cell, 9>;  // row by row

enum class Field { shape, count, size, fill, rot, bits };
enum class Dir { rows, cols };
enum class Op { or_, xor_, and_, and_not };

struct Rule {
    enum Type { same_in_line, progression, latin, combine } type;
    Field field;
    Dir dir = Dir::rows;
    Op op = Op::or_;
};

struct Family {
    std::string name;
    std::vector<Rule> rules;           // fields no rule names must be the same in all cells
    std::vector<Field> vary;           // what distractors change
    std::function<Matrix(Rng &)> make;
    bool third_only = false;           // the empty cell must end a line of the combining rule
};

bool obeys(const Rule &rule, const Matrix &m);
bool fits(const Family &family, const Matrix &m);
int field_value(const Cell &c, Field f);
void set_field(Cell &c, Field f, int v);
unsigned combine(Op op, unsigned a, unsigned b);

// The sample test's families in order of presentation.
std::vector<Family> sample_families();

}  // namespace itemgen
