// Tests of the Rasch model between two groups of persons: Andersen's
// likelihood-ratio test (difficulties equal in both groups) with the
// per-item comparison behind its graphical check, and Mantel-Haenszel
// differential item functioning with the ETS classes. A split is any
// 0/1 label per person (-1: in neither group): the median of the raw
// scores, or an attribute. Formulas in README.md.
#pragma once

#include "report/rasch.h"

#include <array>
#include <string>
#include <vector>

namespace report {

// 0 for a raw score at or below the median of the persons' raw scores, 1 above
// (-1: answered nothing).
std::vector<int> median_split(const ResponseMatrix &m);

struct LikelihoodRatioTest {
    bool done = false;
    std::string problem;            // why not, when not done
    double lr = 0, df = 0, p = 0;
    std::vector<int> items;         // matrix columns compared (estimable in both groups)
    RaschFit whole, group[2];       // fits over those columns (NaN elsewhere)
    int persons[2] = {0, 0};        // persons with a non-extreme score per group
    std::vector<double> z;          // per column: (b1 - b0) / sqrt(se0^2 + se1^2); NaN if not compared
};

// names: the groups as a sentence names them ("the lower group").
LikelihoodRatioTest andersen_test(const ResponseMatrix &m, const std::vector<int> &split,
                                  const std::array<std::string, 2> &names = {"the lower group", "the upper group"});

enum class EtsClass { none, a, b, c };  // none: not computed
const char *ets_name(EtsClass c);

struct DifResult {
    int n = 0;                  // persons in the strata used
    double odds_ratio = 0;      // Mantel-Haenszel common odds ratio, group 0 against 1; NaN if undefined
    double delta = 0;           // ETS delta = -2.35 ln(odds ratio): negative favours group 0
    double chi2 = 0, p = 0;     // with the continuity correction
    EtsClass ets = EtsClass::none;
};

// Per column, over persons who answered every column (strata: their raw score).
std::vector<DifResult> mantel_haenszel(const ResponseMatrix &m, const std::vector<int> &split);

}  // namespace report
