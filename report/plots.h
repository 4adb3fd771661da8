// The page's plots, each an inline SVG element as text.
#pragma once

#include "report/analysis.h"

#include <string>

namespace report {

// Sessions per score (without the training items), complete sessions.
std::string score_histogram(const TestAnalysis &a);
// Share right per item in test order, and the Rasch difficulty with its 95% interval.
std::string difficulty_plot(const TestAnalysis &a);
// Item-person (Wright) map: abilities and item difficulties on one logit scale.
std::string wright_map(const TestAnalysis &a);
// Response times per item: median, quartiles, 10th-90th percentiles, on a log scale.
std::string response_time_plot(const TestAnalysis &a, int64_t fast_ms);
// A 3x3 picture of the answer cells: how often each was chosen, the correct one outlined.
std::string distractor_grid(const ItemRow &row);

}  // namespace report
