// The page's plots of the model checks, each an inline SVG element as text.
#pragma once

#include "tools/report/analysis.h"

#include <string>

namespace report {

// The test information sum P(1-P) and the standard error 1/sqrt(I) over ability.
std::string information_plot(const TestAnalysis &a);
// Andersen's graphical check: each item's difficulty among the high scorers
// against the low scorers', with the line of equal difficulty.
std::string andersen_plot(const TestAnalysis &a);

}  // namespace report
