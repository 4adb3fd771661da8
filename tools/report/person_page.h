// One printable page about one participant's session, for the person who
// gave the test: score, ability with its bands, norm scores with bands
// around the estimated true score, response times beside the group's, the
// answers item by item, and what to look at twice, in plain sentences.
#pragma once

#include "store/attributes.h"
#include "report/analysis.h"
#include "report/norms.h"

#include <string>

namespace report {

struct PersonPageInfo {
    std::string store, made;          // where from, when made
    int64_t fast_ms = 1000;           // faster confirmations count as fast
    const NormTable *norms = nullptr; // none: no norm scores
    std::string norms_file;
};

// `row`: the session (one of a.sessions). Every figure that cannot be
// computed is a sentence saying why, never NaN.
std::string person_page(const TestAnalysis &a, const SessionRow &row, const store::Attributes &attributes,
                        const PersonPageInfo &info);

}  // namespace report
