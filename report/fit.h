// What the Rasch model's estimates say about items and persons beyond the
// difficulties: abilities by maximum likelihood, the residual-based fit
// mean squares, the persons' separation reliability, the test's
// information and the raw score to ability table. Formulas in README.md.
#pragma once

#include "report/rasch.h"

#include <vector>

namespace report {

// The maximum likelihood ability for a score on items of known difficulty:
// the root of score = sum P_i(theta). NaN for 0 and all right (infinite).
Ability mle_ability(const std::vector<double> &b, int score);

struct FitStatistic {
    int n = 0;  // answers it rests on; 0: not computed (the mean squares are NaN)
    double outfit = 0, outfit_t = 0;  // unweighted mean square and its t (Wilson-Hilferty)
    double infit = 0, infit_t = 0;    // information-weighted mean square and its t
};

struct ModelFit {
    std::vector<FitStatistic> items;    // per matrix column
    std::vector<FitStatistic> persons;  // per matrix row
    std::vector<double> theta;          // per row: the maximum likelihood ability it rests on (NaN: extreme)
    std::vector<double> theta_se;
    int persons_used = 0;               // rows with a finite ability
    double separation_reliability = 0;  // (var theta - mean SE^2) / var theta; NaN below 2 persons
};

// Residuals of the persons with a score strictly between 0 and the number
// of estimable items they answered (b not NaN), at their ML abilities.
ModelFit model_fit(const ResponseMatrix &m, const std::vector<double> &b);

// The test's information sum P(1-P) at theta over the items with a difficulty.
double test_information(const std::vector<double> &b, double theta);

// P(chi-square with df degrees of freedom > x).
double chi_square_tail(double x, double df);
// Two-sided P(|Z| > |z|) of a standard normal.
double normal_two_sided(double z);

}  // namespace report
