// The Rasch (one-parameter logistic) model: item difficulties by
// conditional maximum likelihood over the elementary symmetric functions,
// person abilities by Warm's weighted likelihood. Formulas in README.md
// ("Rasch model").
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace report {

// Answers of persons (rows) to items (columns): 1 right, 0 wrong, -1 not answered.
struct ResponseMatrix {
    int persons = 0;
    int items = 0;
    std::vector<int8_t> x;  // row-major, persons * items

    ResponseMatrix() = default;
    ResponseMatrix(int persons_, int items_) : persons(persons_), items(items_), x(size_t(persons_) * items_, -1) {}
    int8_t &at(int v, int i) { return x[size_t(v) * size_t(items) + size_t(i)]; }
    int8_t at(int v, int i) const { return x[size_t(v) * size_t(items) + size_t(i)]; }
};

// gamma_0 .. gamma_n of eps_1 .. eps_n by the summation algorithm
// (gamma_r of the first j items from those of the first j-1); stable
// because every step only adds positive terms.
std::vector<double> elementary_symmetric(const std::vector<double> &eps);

struct RaschFit {
    bool fitted = false;
    std::string problem;            // why not, when not fitted
    std::vector<double> b;          // difficulty per item (sum 0 over the estimable items); NaN: not estimable
    std::vector<double> se;         // its standard error; NaN: not estimable
    int iterations = 0;
    int persons_used = 0;           // persons with a score strictly between 0 and the items they answered
    double log_likelihood = 0;      // conditional, at the estimates
};

// Items that everyone included got right (or wrong) have no finite
// difficulty and are left out (b = NaN), as are persons with an extreme
// score on the remaining items; persons may have answered any subset.
RaschFit fit_rasch_cml(const ResponseMatrix &m);

struct Ability {
    double theta;  // logits; NaN when the person answered no estimable item
    double se;
};

// Warm's weighted likelihood estimate for a score on items of known
// difficulty: finite for every score from 0 to b.size().
Ability warm_ability(const std::vector<double> &b, int score);

}  // namespace report
