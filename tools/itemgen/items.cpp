#include "tools/itemgen/items.h"

#include "archive/testinfo.h"

#include "tools/itemgen/shortcut.h"

#include <algorithm>
#include <set>

namespace itemgen {
namespace {

int field_max(Field f)
{
    switch (f) {
    case Field::shape: return shape_count - 1;
    case Field::count: return 4;
    case Field::size: return 3;
    case Field::fill: return 2;
    case Field::rot: return 7;
    case Field::bits: return 255;
    }
    return 0;
}

int field_min(Field f) { return f == Field::count ? 1 : 0; }

// Wrong answers that look plausible: the right cell with one feature
// changed (values seen elsewhere in the matrix first), the results of the
// other bit operations, and cells copied from the matrix; then two changes.
std::vector<Cell> distractor_pool(const Item &item, Rng &rng)
{
    const Cell right = item.matrix[size_t(item.empty)];
    std::vector<Cell> seen, unseen, doubles, copies;
    auto seen_in_matrix = [&](Field f, int v) {
        for (int c = 0; c < 9; c++)
            if (c != item.empty && field_value(item.matrix[size_t(c)], f) == v)
                return true;
        return false;
    };
    std::vector<Cell> singles;
    for (Field f : item.family->vary) {
        if (f == Field::bits) {
            for (int b = 0; b < 8; b++) {
                Cell c = right;
                c.bits ^= 1u << b;
                if (c.bits)
                    (rng.below(3) ? seen : unseen).push_back(c);
            }
            // the other operations on the two known cells of the line
            int r = item.empty / 3, k = item.empty % 3;
            bool cols = false;
            for (const Rule &rule : item.family->rules)
                cols = cols || (rule.type == Rule::combine && rule.dir == Dir::cols);
            unsigned a, b;
            if (!cols) {
                a = item.matrix[size_t(3 * r + (k == 0 ? 1 : 0))].bits;
                b = item.matrix[size_t(3 * r + (k == 2 ? 1 : 2))].bits;
            } else {
                a = item.matrix[size_t(3 * (r == 0 ? 1 : 0) + k)].bits;
                b = item.matrix[size_t(3 * (r == 2 ? 1 : 2) + k)].bits;
            }
            for (Op op : {Op::or_, Op::xor_, Op::and_, Op::and_not}) {
                for (unsigned v : {combine(op, a, b), combine(op, b, a)}) {
                    Cell c = right;
                    c.bits = v;
                    if (v)
                        seen.push_back(c);
                }
            }
            continue;
        }
        for (int v = field_min(f); v <= field_max(f); v++) {
            if (v == field_value(right, f))
                continue;
            Cell c = right;
            set_field(c, f, v);
            (seen_in_matrix(f, v) ? seen : unseen).push_back(c);
        }
    }
    for (size_t i = 0; i < item.family->vary.size(); i++)
        for (size_t j = i + 1; j < item.family->vary.size(); j++) {
            Field f = item.family->vary[i], g = item.family->vary[j];
            if (f == Field::bits || g == Field::bits)
                continue;
            for (int v = field_min(f); v <= field_max(f); v++)
                for (int w = field_min(g); w <= field_max(g); w++) {
                    if (v == field_value(right, f) || w == field_value(right, g))
                        continue;
                    Cell c = right;
                    set_field(c, f, v);
                    set_field(c, g, w);
                    if (seen_in_matrix(f, v) && seen_in_matrix(g, w))
                        doubles.push_back(c);
                }
        }
    for (int c = 0; c < 9; c++)
        if (c != item.empty)
            copies.push_back(item.matrix[size_t(c)]);
    rng.shuffle(seen);
    rng.shuffle(unseen);
    rng.shuffle(doubles);
    rng.shuffle(copies);
    // mostly near misses, a copied cell or two, then the rest
    std::vector<Cell> pool;
    size_t s = 0, cp = 0;
    while (s < seen.size() || cp < copies.size()) {
        for (int n = 0; n < 3 && s < seen.size(); n++)
            pool.push_back(seen[s++]);
        if (cp < copies.size())
            pool.push_back(copies[cp++]);
    }
    pool.insert(pool.end(), doubles.begin(), doubles.end());
    pool.insert(pool.end(), unseen.begin(), unseen.end());
    return pool;
}

Matrix with_cell(Matrix m, int cell, const Cell &c)
{
    m[size_t(cell)] = c;
    return m;
}

// Up to `count` wrong answers from the candidates in order: each drawable,
// not completing the matrix, and looking unlike the right one and the
// others taken.
std::vector<Cell> pick(const Item &item, const std::vector<Cell> &candidates, size_t count)
{
    std::vector<Canvas> drawn = {draw_cell(item.options[item.answer_cell])};
    std::vector<Cell> chosen;
    for (const Cell &c : candidates) {
        if (chosen.size() == count)
            break;
        if (!drawable(c) || fits(*item.family, with_cell(item.matrix, item.empty, c)))
            continue;
        Canvas pic = draw_cell(c);
        if (std::find(drawn.begin(), drawn.end(), pic) != drawn.end())
            continue;
        drawn.push_back(pic);
        chosen.push_back(c);
    }
    return chosen;
}

// The wrong answers into the present cells after the right one's (cells[0]).
bool place(Item &item, const std::vector<int> &cells, const std::vector<Cell> &wrong)
{
    if (wrong.size() + 1 != cells.size())
        return false;
    for (size_t i = 1; i < cells.size(); i++)
        item.options[cells[i]] = wrong[i - 1];
    return true;
}

// The cell with one feature the family varies changed, each way, shuffled.
std::vector<Cell> near_misses(const Family &family, const Cell &cell, Rng &rng)
{
    std::vector<Cell> out;
    for (Field f : family.vary) {
        const int lo = f == Field::bits ? 0 : field_min(f), hi = f == Field::bits ? 7 : field_max(f);
        for (int v = lo; v <= hi; v++) {
            Cell c = cell;
            if (f == Field::bits)
                c.bits ^= 1u << v;
            else if (v != field_value(cell, f))
                set_field(c, f, v);
            if (c != cell && (c.kind == Kind::figures || c.bits))
                out.push_back(c);
        }
    }
    rng.shuffle(out);
    return out;
}

// Wrong answers around a second centre: one near miss of the right answer
// (the hub) and its own near misses, taken in turn with the right answer's,
// so that the right answer no longer shares the most with the others.
std::vector<Cell> around_a_hub(const Item &item, const std::vector<Cell> &pool, Rng &rng)
{
    const std::vector<Cell> first = pick(item, pool, 1);
    if (first.empty())
        return pool;
    const std::vector<Cell> near_hub = near_misses(*item.family, first[0], rng);
    std::vector<Cell> out = first;
    for (size_t k = 0; k < near_hub.size() || k < pool.size(); k++) {
        if (k < near_hub.size())
            out.push_back(near_hub[k]);
        if (k < pool.size())
            out.push_back(pool[k]);
    }
    return out;
}

}  // namespace

int Item::option_count() const
{
    int n = 0;
    for (int c = 0; c < 9; c++)
        n += (mask >> c) & 1;
    return n;
}

int digit_of_cell(unsigned mask, int cell)
{
    return (mask >> cell) & 1 ? option_digit(mask, cell) : 0;
}

bool build_item(const Family &family, const std::string &name, int options, Rng &rng, Item &item, std::string &why)
{
    for (int attempt = 0; attempt < 200; attempt++) {
        item = Item();
        item.name = name;
        item.family = &family;
        item.matrix = family.make(rng);
        if (family.third_only) {
            bool cols = false;
            for (const Rule &r : family.rules)
                cols = cols || (r.type == Rule::combine && r.dir == Dir::cols);
            item.empty = cols ? 6 + rng.below(3) : 2 + 3 * rng.below(3);
        } else {
            item.empty = rng.below(9);
        }
        std::vector<int> cells = {0, 1, 2, 3, 4, 5, 6, 7, 8};
        rng.shuffle(cells);
        cells.resize(size_t(options));
        for (int c : cells)
            item.mask |= 1u << c;
        item.answer_cell = cells[0];
        item.answer = digit_of_cell(item.mask, item.answer_cell);
        item.options[item.answer_cell] = item.matrix[size_t(item.empty)];

        const std::vector<Cell> pool = distractor_pool(item, rng);
        if (!place(item, cells, pick(item, pool, size_t(options) - 1))) {
            why = "too few distractors";
            continue;
        }
        if (check_item(item, why))
            return true;
        if (!answer_spread(item).shortcut())
            continue;
        // the near misses point at the right answer: gather them around a second centre
        if (place(item, cells, pick(item, around_a_hub(item, pool, rng), size_t(options) - 1)) && check_item(item, why))
            return true;
    }
    return false;
}

bool check_item(const Item &item, std::string &why)
{
    const Family &family = *item.family;
    if (!fits(family, item.matrix)) {
        why = "the matrix does not obey its rules";
        return false;
    }
    for (const Cell &c : item.matrix)
        if (!drawable(c)) {
            why = "a matrix cell cannot be drawn: " + describe(c);
            return false;
        }
    if (item.empty < 0 || item.empty > 8 || item.mask == 0 || item.mask > 0x1FF) {
        why = "empty cell or option mask out of range";
        return false;
    }
    if (!((item.mask >> item.answer_cell) & 1) || item.answer != digit_of_cell(item.mask, item.answer_cell)) {
        why = "the answer digit does not name the right option";
        return false;
    }
    std::vector<Canvas> seen;
    int completing = 0;
    for (int c = 0; c < 9; c++) {
        if (!((item.mask >> c) & 1))
            continue;
        const Cell &o = item.options[c];
        if (!drawable(o)) {
            why = "an option cannot be drawn: " + describe(o);
            return false;
        }
        Canvas pic = draw_cell(o);
        if (std::find(seen.begin(), seen.end(), pic) != seen.end()) {
            why = "two options look the same";
            return false;
        }
        seen.push_back(pic);
        if (fits(family, with_cell(item.matrix, item.empty, o))) {
            completing++;
            if (c != item.answer_cell) {
                why = "option in cell " + std::to_string(c) + " also completes the matrix";
                return false;
            }
        }
    }
    if (completing != 1) {
        why = "the right option does not complete the matrix";
        return false;
    }
    // the right option must look exactly like the missing cell
    if (!(draw_cell(item.options[item.answer_cell]) == draw_cell(item.matrix[size_t(item.empty)]))) {
        why = "the right option differs from the missing cell";
        return false;
    }
    const AnswerSpread spread = answer_spread(item);
    if (spread.shortcut()) {
        why = spread.describe();
        return false;
    }
    return true;
}

Canvas problem_picture(const Item &item)
{
    Canvas pic(pic_w, pic_h);
    for (int c = 0; c < 9; c++)
        if (c != item.empty)
            pic.blit(draw_cell(item.matrix[size_t(c)]), pitch_x * (c % 3), pitch_y * (c / 3));
    return pic;
}

Canvas answer_picture(const Item &item)
{
    Canvas pic(pic_w, pic_h);
    for (int c = 0; c < 9; c++)
        if ((item.mask >> c) & 1)
            pic.blit(draw_cell(item.options[c]), pitch_x * (c % 3), pitch_y * (c / 3));
    return pic;
}

}  // namespace itemgen
