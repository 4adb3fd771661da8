// itemgen --self-test: the item checks must reject broken items, and the
// rule tests must judge hand-made matrices right.
#include "tools/itemgen/selftest.h"

#include <iostream>

#include "tools/itemgen/items.h"
#include "tools/itemgen/shortcut.h"

namespace itemgen {
namespace {

int failures = 0;

void expect(bool ok, const std::string &what)
{
    if (!ok) {
        std::cerr << "self-test: " << what << "\n";
        failures++;
    }
}

Matrix counts(int a, int b, int c, int d, int e, int f, int g, int h, int i)
{
    int v[9] = {a, b, c, d, e, f, g, h, i};
    Matrix m;
    for (int k = 0; k < 9; k++)
        m[size_t(k)].count = v[k];
    return m;
}

Matrix bits(unsigned a, unsigned b, unsigned c, unsigned d, unsigned e, unsigned f, unsigned g, unsigned h, unsigned i)
{
    unsigned v[9] = {a, b, c, d, e, f, g, h, i};
    Matrix m;
    for (int k = 0; k < 9; k++) {
        m[size_t(k)].kind = Kind::strokes;
        m[size_t(k)].bits = v[k];
    }
    return m;
}

}  // namespace

int self_test()
{
    const Rule prog{Rule::progression, Field::count, Dir::rows};
    expect(obeys(prog, counts(1, 2, 3, 2, 3, 4, 1, 2, 3)), "progression by one in every row");
    expect(!obeys(prog, counts(1, 2, 3, 2, 3, 4, 1, 2, 4)), "a broken step is not a progression");
    expect(!obeys(prog, counts(1, 2, 3, 3, 2, 1, 1, 2, 3)), "rows must share the step");
    expect(!obeys(prog, counts(2, 2, 2, 1, 1, 1, 3, 3, 3)), "a step of zero is no progression");
    const Rule latin{Rule::latin, Field::count};
    expect(obeys(latin, counts(1, 2, 3, 2, 3, 1, 3, 1, 2)), "a Latin square");
    expect(!obeys(latin, counts(1, 2, 3, 2, 3, 1, 3, 2, 1)), "columns must hold every value");
    expect(!obeys(latin, counts(1, 2, 3, 2, 3, 1, 3, 1, 4)), "every row holds the same values");
    const Rule x{Rule::combine, Field::bits, Dir::rows, Op::xor_};
    expect(obeys(x, bits(3, 6, 5, 1, 1, 0, 8, 0, 8)), "exclusive or along rows");
    expect(!obeys(x, bits(3, 6, 7, 1, 1, 0, 8, 0, 8)), "or is not exclusive or");
    const Rule o{Rule::combine, Field::bits, Dir::cols, Op::or_};
    expect(obeys(o, bits(1, 2, 4, 2, 2, 8, 3, 2, 12)), "or down columns");
    Family plain{"test", {prog}, {Field::count}, nullptr};
    Matrix m = counts(1, 2, 3, 2, 3, 4, 1, 2, 3);
    expect(fits(plain, m), "a family with one progression");
    m[4].fill = 1;
    expect(!fits(plain, m), "fields no rule names must not change");

    // A good item, then broken copies of it.
    std::vector<Family> families = sample_families();
    Rng rng(7);
    Item good;
    std::string why;
    expect(build_item(families[1], "T", 6, rng, good, why), "an item can be built: " + why);
    expect(check_item(good, why), "the built item passes: " + why);
    int other = -1;
    for (int c = 0; c < 9; c++)
        if (((good.mask >> c) & 1) && c != good.answer_cell)
            other = c;

    Item twice = good;
    twice.options[other] = good.options[good.answer_cell];
    expect(!check_item(twice, why), "two right options are refused");
    Item digit = good;
    digit.answer = digit.answer % digit.option_count() + 1;
    expect(!check_item(digit, why), "a digit naming a wrong option is refused");
    Item broken = good;
    broken.matrix[size_t((good.empty + 1) % 9)].count += 1;
    expect(!check_item(broken, why), "a matrix breaking its rule is refused");
    Item absent = good;
    absent.mask &= ~(1u << good.answer_cell);
    expect(!check_item(absent, why), "an absent right option is refused");
    Item alike = good;
    int third = -1;
    for (int c = 0; c < 9; c++)
        if (((good.mask >> c) & 1) && c != good.answer_cell && c != other)
            third = c;
    alike.options[third] = alike.options[other];
    expect(!check_item(alike, why), "two options that look the same are refused");

    // The right answer amid its own near misses is the one most like the
    // others; amid wrong answers that all share a feature it lacks, the odd
    // one out. Either gives it away without the problem.
    const Cell right = good.options[good.answer_cell];
    std::vector<int> wrong_cells;
    for (int c = 0; c < 9; c++)
        if (((good.mask >> c) & 1) && c != good.answer_cell)
            wrong_cells.push_back(c);
    Item centred = good;
    const std::pair<Field, int> changes[] = {{Field::count, right.count == 1 ? 2 : 1},
                                             {Field::count, 4},
                                             {Field::shape, (right.shape + 1) % 7},
                                             {Field::shape, (right.shape + 2) % 7},
                                             {Field::fill, (right.fill + 1) % 3}};
    for (size_t k = 0; k < wrong_cells.size() && k < 5; k++) {
        centred.options[wrong_cells[k]] = right;
        set_field(centred.options[wrong_cells[k]], changes[k].first, changes[k].second);
    }
    expect(!check_item(centred, why) && why.find("most like the others") != std::string::npos,
           "the right answer amid its near misses is refused: " + why);
    Item odd = good;
    odd.mask &= ~(1u << wrong_cells[4]);
    odd.answer = digit_of_cell(odd.mask, odd.answer_cell);
    for (int k = 0; k < 4; k++) {
        odd.options[wrong_cells[size_t(k)]] = right;
        odd.options[wrong_cells[size_t(k)]].count = 1 + k;
        odd.options[wrong_cells[size_t(k)]].fill = (right.fill + 1) % 3;
    }
    expect(!check_item(odd, why) && why.find("odd one out") != std::string::npos,
           "the right answer as the odd one out is refused: " + why);
    expect(!answer_spread(good).shortcut(), "the built item has no shortcut");

    if (failures == 0)
        std::cout << "self-test passed\n";
    return failures == 0 ? 0 : 1;
}

}  // namespace itemgen
