// Classical item statistics of a complete right/wrong table (persons x
// items): difficulty, corrected item-total correlation, KR-20. Formulas in
// README.md ("Item analysis").
#pragma once

#include <cstdint>
#include <vector>

namespace report {

struct ClassicalStats {
    int persons = 0;
    std::vector<double> p;      // share right per item
    std::vector<double> r_it;   // corrected item-total (point-biserial) correlation; NaN if undefined
    double kr20 = 0;            // NaN if undefined (fewer than 2 items, no score variance)
    double mean_score = 0;
    double score_variance = 0;  // population variance (divided by N)
};

// rows[v][i]: 1 right, 0 wrong; every row has the same length.
ClassicalStats classical_statistics(const std::vector<std::vector<uint8_t>> &rows);

// Pearson correlation; NaN when either side has no variance.
double pearson(const std::vector<double> &x, const std::vector<double> &y);

// Median (mean of the middle two for an even count); NaN when empty.
double median(std::vector<double> values);
// The q-quantile by linear interpolation between order statistics (type 7).
double quantile(std::vector<double> values, double q);

}  // namespace report
