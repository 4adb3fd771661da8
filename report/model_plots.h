// The page's plots of the model checks, each an inline SVG element as text.
#pragma once

#include "report/analysis.h"

#include <string>

namespace report {

// The test information sum P(1-P) and the standard error 1/sqrt(I) over ability.
std::string information_plot(const TestAnalysis &a);
// Andersen's graphical check: each item's difficulty in the second group
// (the high scorers) against the first (the low scorers), with the line of
// equal difficulty; names: the groups ("low scorers", "sex = f").
std::string andersen_plot(const TestAnalysis &a, const LikelihoodRatioTest &t, const std::array<std::string, 2> &names);

}  // namespace report
