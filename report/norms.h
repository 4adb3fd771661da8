// Norm tables: a raw score's standing in a reference group (percentile
// rank, T score, 100/15 standard score, stanine), with the group's size,
// dates and reliability. Formulas in README.md ("Norms").
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace report {

// Groups smaller than this are refused unless forced, and a forced table says so.
inline constexpr int norm_minimum_people = 100;

struct NormRow {
    int raw = 0;
    int people = 0;           // with exactly this score
    double percentile = 0;    // mid-point percentile rank, 0..100
    double z = 0;             // the percentile's normal quantile (clamped to half a person from either end)
    int t_score = 0, standard_score = 0, stanine = 0;
};

struct NormBand {
    std::string label = "all";   // "18-29", or "all" without bands
    int people = 0;
    std::string first_date, last_date;  // YYYY-MM-DD of the sessions
    double kr20 = 0;             // NaN: not known
    bool forced = false;         // fewer than norm_minimum_people
    std::vector<NormRow> rows;   // raw score 0 .. max
    // The band's median response time per item 1..N in ms (NaN: no times);
    // empty when the table gives none (made elsewhere or before).
    std::vector<double> median_rt_ms;
};

struct NormTable {
    std::string test;            // archive CRC-32
    int max_score = 0;           // scored items (the training items are not scored)
    std::string group;           // the reference group's filter ("" : everyone)
    std::vector<NormBand> bands;
};

// The rows for raw scores 0..max_score of a group's scores.
std::vector<NormRow> norm_rows(const std::vector<int> &scores, int max_score);
// Inverse of the standard normal distribution function (0 < p < 1).
double normal_quantile(double p);
double normal_cdf(double z);

std::string norm_table_csv(const NormTable &t);
// What a table holds, in lines for the person at the keyboard.
std::string norm_table_summary(const NormTable &t);
// Throws Error naming the file and line when the table is not in that form
// or its figures do not agree with each other.
NormTable read_norm_table(const std::string &file, std::string_view bytes);

// A band's ages: "all" any, "18-29" from 18 up to (not including) 30.
bool band_range(const std::string &label, double &lo, double &hi);
// The band an age falls in ("18-29": 18 <= age < 30); nullptr: none.
const NormBand *band_for_age(const NormTable &t, double age);

}  // namespace report
