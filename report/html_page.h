// `meridoka-report html`: the whole report as one self-contained page
// (inline CSS and SVG, no scripts, nothing fetched).
#pragma once

#include "report/analysis.h"

#include <string>
#include <vector>

namespace report {

struct PageInfo {
    std::string store;      // the store's path, as given
    std::string generated;  // local time the page was made
    int64_t fast_ms = 1000;
};

std::string html_page(const std::vector<TestAnalysis> &tests, const PageInfo &info);

}  // namespace report
