#include "tools/itemgen/rules.h"

#include <algorithm>
#include <set>

namespace itemgen {
namespace {

const Cell &at(const Matrix &m, Dir d, int line, int k) { return d == Dir::rows ? m[size_t(3 * line + k)] : m[size_t(3 * k + line)]; }

// Three different shapes, in random order.
std::array<int, 3> three_shapes(Rng &rng, std::vector<int> pool = {circle, square, triangle, diamond, hexagon, star, cross})
{
    rng.shuffle(pool);
    return {pool[0], pool[1], pool[2]};
}

std::array<int, 3> permutation(Rng &rng)
{
    std::vector<int> v = {0, 1, 2};
    rng.shuffle(v);
    return {v[0], v[1], v[2]};
}

// A random 3x3 Latin square of the values 0 to 2: L[r][c].
std::array<std::array<int, 3>, 3> latin_square(Rng &rng)
{
    std::array<int, 3> rows = permutation(rng), syms = permutation(rng);
    int dir = rng.below(2) ? 1 : 2;  // cyclic shift to the right or left
    std::array<std::array<int, 3>, 3> l{};
    for (int r = 0; r < 3; r++)
        for (int c = 0; c < 3; c++)
            l[size_t(rows[size_t(r)])][size_t(c)] = syms[size_t((c + dir * r) % 3)];
    return l;
}

// Two Latin squares that together give all nine pairs.
void orthogonal_squares(Rng &rng, std::array<std::array<int, 3>, 3> &a, std::array<std::array<int, 3>, 3> &b)
{
    std::array<int, 3> pa = permutation(rng), pb = permutation(rng), rows = permutation(rng);
    for (int r = 0; r < 3; r++)
        for (int c = 0; c < 3; c++) {
            a[size_t(rows[size_t(r)])][size_t(c)] = pa[size_t((c + r) % 3)];
            b[size_t(rows[size_t(r)])][size_t(c)] = pb[size_t((c + 2 * r) % 3)];
        }
}

Cell figure(int shape, int count, int size, int fill, int rot = 0)
{
    Cell c;
    c.shape = shape;
    c.count = count;
    c.size = size;
    c.fill = fill;
    c.rot = rot;
    return c;
}

// A random set of 2 to 5 of eight bits.
unsigned some_bits(Rng &rng, int lo = 2, int hi = 4)
{
    std::vector<int> b = {0, 1, 2, 3, 4, 5, 6, 7};
    rng.shuffle(b);
    int n = lo + rng.below(hi - lo + 1);
    unsigned bits = 0;
    for (int i = 0; i < n; i++)
        bits |= 1u << b[size_t(i)];
    return bits;
}

int popcount(unsigned v)
{
    int n = 0;
    for (; v; v &= v - 1)
        n++;
    return n;
}

// Lines of a bit-combining rule: the two given cells overlap and differ, so
// that the operation shows and cannot be mistaken for another.
Matrix combined(Rng &rng, Kind kind, Op op, Dir dir)
{
    Matrix m;
    for (int line = 0; line < 3; line++) {
        unsigned a, b, c;
        do {
            a = some_bits(rng, 2, 4);
            b = some_bits(rng, 2, 4);
            c = combine(op, a, b);
        } while (popcount(a & b) < 1 || (a & ~b) == 0 || (b & ~a) == 0 || c == 0 || c == a || c == b ||
                 (op == Op::and_ && popcount(c) < 1));
        unsigned v[3] = {a, b, c};
        for (int k = 0; k < 3; k++) {
            Cell cell;
            cell.kind = kind;
            cell.bits = v[k];
            (dir == Dir::rows ? m[size_t(3 * line + k)] : m[size_t(3 * k + line)]) = cell;
        }
    }
    return m;
}

}  // namespace

int field_value(const Cell &c, Field f)
{
    switch (f) {
    case Field::shape: return c.shape;
    case Field::count: return c.count;
    case Field::size: return c.size;
    case Field::fill: return c.fill;
    case Field::rot: return c.rot;
    case Field::bits: return int(c.bits);
    }
    return 0;
}

void set_field(Cell &c, Field f, int v)
{
    switch (f) {
    case Field::shape: c.shape = v; break;
    case Field::count: c.count = v; break;
    case Field::size: c.size = v; break;
    case Field::fill: c.fill = v; break;
    case Field::rot: c.rot = v; break;
    case Field::bits: c.bits = unsigned(v); break;
    }
}

unsigned combine(Op op, unsigned a, unsigned b)
{
    switch (op) {
    case Op::or_: return a | b;
    case Op::xor_: return a ^ b;
    case Op::and_: return a & b;
    case Op::and_not: return a & ~b & 0xFFu;
    }
    return 0;
}

bool obeys(const Rule &rule, const Matrix &m)
{
    switch (rule.type) {
    case Rule::same_in_line:
        for (int l = 0; l < 3; l++)
            for (int k = 1; k < 3; k++)
                if (field_value(at(m, rule.dir, l, k), rule.field) != field_value(at(m, rule.dir, l, 0), rule.field))
                    return false;
        return true;
    case Rule::progression: {
        int step = 0;
        for (int l = 0; l < 3; l++) {
            for (int k = 1; k < 3; k++) {
                int d = field_value(at(m, rule.dir, l, k), rule.field) - field_value(at(m, rule.dir, l, k - 1), rule.field);
                if (rule.field == Field::rot)
                    d = (d + 8) % 8;
                if (d == 0 || (step != 0 && d != step))
                    return false;
                step = d;
            }
        }
        return true;
    }
    case Rule::latin: {
        std::set<int> first;
        for (int l = 0; l < 3; l++)
            for (Dir d : {Dir::rows, Dir::cols}) {
                std::set<int> vals;
                for (int k = 0; k < 3; k++)
                    vals.insert(field_value(at(m, d, l, k), rule.field));
                if (first.empty())
                    first = vals;
                if (vals.size() != 3 || vals != first)
                    return false;
            }
        return true;
    }
    case Rule::combine:
        for (int l = 0; l < 3; l++)
            if (at(m, rule.dir, l, 2).bits != combine(rule.op, at(m, rule.dir, l, 0).bits, at(m, rule.dir, l, 1).bits))
                return false;
        return true;
    }
    return false;
}

bool fits(const Family &family, const Matrix &m)
{
    for (const Cell &c : m)
        if (c.kind != m[0].kind)
            return false;
    std::set<Field> named;
    for (const Rule &r : family.rules) {
        if (!obeys(r, m))
            return false;
        named.insert(r.field);
    }
    for (Field f : {Field::shape, Field::count, Field::size, Field::fill, Field::rot, Field::bits})
        if (!named.count(f))
            for (const Cell &c : m)
                if (field_value(c, f) != field_value(m[0], f))
                    return false;
    return true;
}

std::vector<Family> sample_families()
{
    using R = Rule;
    const Rule same_shape_rows{R::same_in_line, Field::shape, Dir::rows};
    const Rule same_fill_rows{R::same_in_line, Field::fill, Dir::rows};
    std::vector<Family> f;

    // Practice: each row repeats one figure.
    f.push_back({"constant rows", {same_shape_rows, same_fill_rows}, {Field::shape, Field::fill, Field::size},
                 [](Rng &rng) {
                     auto s = three_shapes(rng);
                     auto fl = permutation(rng);
                     Matrix m;
                     for (int i = 0; i < 9; i++)
                         m[size_t(i)] = figure(s[size_t(i / 3)], 1, 2, fl[size_t(i / 3)]);
                     return m;
                 }});
    // Practice: one, two, three figures along each row.
    f.push_back({"count along rows", {same_shape_rows, {R::progression, Field::count, Dir::rows}},
                 {Field::count, Field::shape, Field::fill},
                 [](Rng &rng) {
                     auto s = three_shapes(rng);
                     Matrix m;
                     for (int i = 0; i < 9; i++)
                         m[size_t(i)] = figure(s[size_t(i / 3)], 1 + i % 3, 1, 1);
                     return m;
                 }});
    // Practice: figures grow along each row.
    f.push_back({"size along rows", {same_shape_rows, {R::progression, Field::size, Dir::rows}},
                 {Field::size, Field::shape, Field::fill},
                 [](Rng &rng) {
                     auto s = three_shapes(rng);
                     Matrix m;
                     for (int i = 0; i < 9; i++)
                         m[size_t(i)] = figure(s[size_t(i / 3)], 1, 1 + i % 3, 0);
                     return m;
                 }});
    // Counts step by one from a different start in each row.
    f.push_back({"count steps", {same_shape_rows, same_fill_rows, {R::progression, Field::count, Dir::rows}},
                 {Field::count, Field::shape, Field::fill},
                 [](Rng &rng) {
                     auto s = three_shapes(rng);
                     int starts[3] = {1, 2, 1 + rng.below(2)};
                     auto fl = permutation(rng);
                     Matrix m;
                     for (int i = 0; i < 9; i++)
                         m[size_t(i)] = figure(s[size_t(i / 3)], starts[i / 3] + i % 3, 1, fl[size_t(i / 3)]);
                     return m;
                 }});
    // Figures shrink along each row; each row has its own filling.
    f.push_back({"shrinking", {same_fill_rows, {R::progression, Field::size, Dir::rows}},
                 {Field::size, Field::fill, Field::shape},
                 [](Rng &rng) {
                     int shape = three_shapes(rng)[0];
                     auto fl = permutation(rng);
                     Matrix m;
                     for (int i = 0; i < 9; i++)
                         m[size_t(i)] = figure(shape, 1, 3 - i % 3, fl[size_t(i / 3)]);
                     return m;
                 }});
    // An arrow turns by 45 degrees from cell to cell.
    f.push_back({"turning arrow", {same_fill_rows, {R::progression, Field::rot, Dir::rows}},
                 {Field::rot, Field::fill, Field::size},
                 [](Rng &rng) {
                     auto fl = permutation(rng);
                     int starts[3] = {0, 2 + rng.below(2), 5 + rng.below(2)};
                     Matrix m;
                     for (int i = 0; i < 9; i++)
                         m[size_t(i)] = figure(arrow, 1, 2, fl[size_t(i / 3)], (starts[i / 3] + i % 3) % 8);
                     return m;
                 }});
    // Three shapes, each once in every row and column; filling per row.
    f.push_back({"three shapes", {{R::latin, Field::shape}, same_fill_rows}, {Field::shape, Field::fill, Field::count},
                 [](Rng &rng) {
                     auto s = three_shapes(rng);
                     auto l = latin_square(rng);
                     auto fl = permutation(rng);
                     Matrix m;
                     for (int i = 0; i < 9; i++)
                         m[size_t(i)] = figure(s[size_t(l[size_t(i / 3)][size_t(i % 3)])], 1, 2, fl[size_t(i / 3)]);
                     return m;
                 }});
    // The third cell of a row shows the strokes of the first two together.
    f.push_back({"strokes added", {{R::combine, Field::bits, Dir::rows, Op::or_}}, {Field::bits},
                 [](Rng &rng) { return combined(rng, Kind::strokes, Op::or_, Dir::rows); }, true});
    // Counts grow down each column, one shape per column.
    f.push_back({"count down columns",
                 {{R::same_in_line, Field::shape, Dir::cols}, {R::progression, Field::count, Dir::cols}},
                 {Field::count, Field::shape, Field::fill},
                 [](Rng &rng) {
                     auto s = three_shapes(rng);
                     int fill = rng.below(3);
                     Matrix m;
                     for (int i = 0; i < 9; i++)
                         m[size_t(i)] = figure(s[size_t(i % 3)], 1 + i / 3, 1, fill);
                     return m;
                 }});
    // Dots that are full in exactly one of the first two cells.
    f.push_back({"dots differ", {{R::combine, Field::bits, Dir::rows, Op::xor_}}, {Field::bits},
                 [](Rng &rng) { return combined(rng, Kind::dots, Op::xor_, Dir::rows); }});
    // A triangle turns by 90 degrees; fillings spread over rows and columns.
    f.push_back({"turning triangle", {{R::progression, Field::rot, Dir::rows}, {R::latin, Field::fill}},
                 {Field::rot, Field::fill, Field::shape},
                 [](Rng &rng) {
                     auto l = latin_square(rng);
                     int starts[3] = {0, 1, 3};
                     Matrix m;
                     for (int i = 0; i < 9; i++)
                         m[size_t(i)] = figure(triangle, 1, 2, l[size_t(i / 3)][size_t(i % 3)], (starts[i / 3] + 2 * (i % 3)) % 8);
                     return m;
                 }});
    // Shapes and counts each spread over rows and columns.
    f.push_back({"shapes and counts", {{R::latin, Field::shape}, {R::latin, Field::count}},
                 {Field::shape, Field::count, Field::fill},
                 [](Rng &rng) {
                     auto s = three_shapes(rng);
                     std::array<std::array<int, 3>, 3> a{}, b{};
                     orthogonal_squares(rng, a, b);
                     int fill = rng.below(3);
                     Matrix m;
                     for (int i = 0; i < 9; i++)
                         m[size_t(i)] = figure(s[size_t(a[size_t(i / 3)][size_t(i % 3)])], 1 + b[size_t(i / 3)][size_t(i % 3)], 1, fill);
                     return m;
                 }});
    // The third cell keeps the strokes of the first that the second lacks.
    f.push_back({"strokes taken away", {{R::combine, Field::bits, Dir::rows, Op::and_not}}, {Field::bits},
                 [](Rng &rng) { return combined(rng, Kind::strokes, Op::and_not, Dir::rows); }, true});
    // One, two, three along every row; the shapes spread over rows and columns.
    f.push_back({"count and shapes", {{R::progression, Field::count, Dir::rows}, {R::latin, Field::shape}},
                 {Field::count, Field::shape, Field::fill},
                 [](Rng &rng) {
                     auto s = three_shapes(rng);
                     auto l = latin_square(rng);
                     int fill = 1 + rng.below(2);
                     Matrix m;
                     for (int i = 0; i < 9; i++)
                         m[size_t(i)] = figure(s[size_t(l[size_t(i / 3)][size_t(i % 3)])], 1 + i % 3, 1, fill);
                     return m;
                 }});
    // Growing along rows, the fillings spread over rows and columns.
    f.push_back({"growing fillings", {same_shape_rows, {R::progression, Field::size, Dir::rows}, {R::latin, Field::fill}},
                 {Field::size, Field::fill, Field::shape},
                 [](Rng &rng) {
                     auto s = three_shapes(rng);
                     auto l = latin_square(rng);
                     Matrix m;
                     for (int i = 0; i < 9; i++)
                         m[size_t(i)] = figure(s[size_t(i / 3)], 1, 1 + i % 3, l[size_t(i / 3)][size_t(i % 3)]);
                     return m;
                 }});
    // Strokes in exactly one of the first two cells.
    f.push_back({"strokes differ", {{R::combine, Field::bits, Dir::rows, Op::xor_}}, {Field::bits},
                 [](Rng &rng) { return combined(rng, Kind::strokes, Op::xor_, Dir::rows); }});
    // An arrow turning back by 45 degrees; fillings spread.
    f.push_back({"arrow turning back", {{R::progression, Field::rot, Dir::rows}, {R::latin, Field::fill}},
                 {Field::rot, Field::fill, Field::size},
                 [](Rng &rng) {
                     auto l = latin_square(rng);
                     int starts[3] = {2, 7, 4 + rng.below(2)};
                     Matrix m;
                     for (int i = 0; i < 9; i++)
                         m[size_t(i)] = figure(arrow, 1, 2, l[size_t(i / 3)][size_t(i % 3)], (starts[i / 3] + 7 * (i % 3)) % 8);
                     return m;
                 }});
    // Shapes and fillings each spread over rows and columns.
    f.push_back({"shapes and fillings", {{R::latin, Field::shape}, {R::latin, Field::fill}},
                 {Field::shape, Field::fill, Field::count},
                 [](Rng &rng) {
                     auto s = three_shapes(rng);
                     std::array<std::array<int, 3>, 3> a{}, b{};
                     orthogonal_squares(rng, a, b);
                     Matrix m;
                     for (int i = 0; i < 9; i++)
                         m[size_t(i)] = figure(s[size_t(a[size_t(i / 3)][size_t(i % 3)])], 2, 1, b[size_t(i / 3)][size_t(i % 3)]);
                     return m;
                 }});
    // Dots full in both of the first two cells.
    f.push_back({"dots in common", {{R::combine, Field::bits, Dir::rows, Op::and_}}, {Field::bits},
                 [](Rng &rng) { return combined(rng, Kind::dots, Op::and_, Dir::rows); }, true});
    // Counts grow down the columns, sizes along the rows.
    f.push_back({"count and size", {{R::progression, Field::count, Dir::cols}, {R::progression, Field::size, Dir::rows}},
                 {Field::count, Field::size, Field::shape},
                 [](Rng &rng) {
                     int shape = three_shapes(rng)[0], fill = rng.below(3);
                     Matrix m;
                     for (int i = 0; i < 9; i++)
                         m[size_t(i)] = figure(shape, 1 + i / 3, i % 3, fill);
                     return m;
                 }});
    // Shapes, fillings and counts all spread over rows and columns.
    f.push_back({"three spreads", {{R::latin, Field::shape}, {R::latin, Field::fill}, {R::latin, Field::count}},
                 {Field::shape, Field::fill, Field::count},
                 [](Rng &rng) {
                     auto s = three_shapes(rng);
                     std::array<std::array<int, 3>, 3> a{}, b{}, c{};
                     orthogonal_squares(rng, a, b);
                     c = latin_square(rng);
                     Matrix m;
                     for (int i = 0; i < 9; i++)
                         m[size_t(i)] = figure(s[size_t(a[size_t(i / 3)][size_t(i % 3)])], 1 + c[size_t(i / 3)][size_t(i % 3)], 1,
                                               b[size_t(i / 3)][size_t(i % 3)]);
                     return m;
                 }});
    // The arrow turns one step along rows and two steps down columns.
    f.push_back({"turning both ways", {{R::progression, Field::rot, Dir::rows}, {R::progression, Field::rot, Dir::cols}},
                 {Field::rot, Field::fill, Field::size},
                 [](Rng &rng) {
                     int base = rng.below(8), fill = rng.below(3);
                     Matrix m;
                     for (int i = 0; i < 9; i++)
                         m[size_t(i)] = figure(arrow, 1, 2, fill, (base + i % 3 + 2 * (i / 3)) % 8);
                     return m;
                 }});
    // Strokes of the two upper cells together, down each column.
    f.push_back({"strokes added down", {{R::combine, Field::bits, Dir::cols, Op::or_}}, {Field::bits},
                 [](Rng &rng) { return combined(rng, Kind::strokes, Op::or_, Dir::cols); }, true});
    // Count along rows, shapes and fillings spread.
    f.push_back({"count, shapes, fillings",
                 {{R::progression, Field::count, Dir::rows}, {R::latin, Field::shape}, {R::latin, Field::fill}},
                 {Field::count, Field::shape, Field::fill},
                 [](Rng &rng) {
                     auto s = three_shapes(rng);
                     std::array<std::array<int, 3>, 3> a{}, b{};
                     orthogonal_squares(rng, a, b);
                     Matrix m;
                     for (int i = 0; i < 9; i++)
                         m[size_t(i)] = figure(s[size_t(a[size_t(i / 3)][size_t(i % 3)])], 1 + i % 3, 1, b[size_t(i / 3)][size_t(i % 3)]);
                     return m;
                 }});
    // Dots full in exactly one of the two upper cells, down each column.
    f.push_back({"dots differ down", {{R::combine, Field::bits, Dir::cols, Op::xor_}}, {Field::bits},
                 [](Rng &rng) { return combined(rng, Kind::dots, Op::xor_, Dir::cols); }});
    // The arrow grows down the columns and turns along the rows.
    f.push_back({"growing turning arrow", {{R::progression, Field::size, Dir::cols}, {R::progression, Field::rot, Dir::rows}},
                 {Field::size, Field::rot, Field::fill},
                 [](Rng &rng) {
                     int base = rng.below(8), step = rng.below(2) ? 1 : 3, fill = rng.below(3);
                     Matrix m;
                     for (int i = 0; i < 9; i++)
                         m[size_t(i)] = figure(arrow, 1, 1 + i / 3, fill, (base + step * (i % 3)) % 8);
                     return m;
                 }});
    // Strokes in exactly one of the two upper cells, down each column.
    f.push_back({"strokes differ down", {{R::combine, Field::bits, Dir::cols, Op::xor_}}, {Field::bits},
                 [](Rng &rng) { return combined(rng, Kind::strokes, Op::xor_, Dir::cols); }});
    return f;
}

}  // namespace itemgen
