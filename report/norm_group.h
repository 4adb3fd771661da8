// Choosing a norm group from the store: each participant's first complete
// session of a test, kept when the participant's attributes pass the
// filter, split into age bands; and the attributes a session is judged by
// (the imported ones, and the age at the session when only a birth date
// was imported).
#pragma once

#include "store/attributes.h"
#include "report/norms.h"
#include "report/session.h"

#include <map>
#include <string>
#include <vector>

namespace report {

struct NormOptions {
    std::string test;   // archive CRC-32; "": the store's only test
    std::string where;  // filter over attributes ("": everyone)
    std::string bands;  // "18-29,30-49" over age ("": one band, all)
    bool force = false; // make bands of fewer than norm_minimum_people, marked
};

// The attributes' columns with a derived number column "age" when there is
// none but a date column whose name says birth (birth_date, born, dob).
std::vector<store::AttributeColumn> judged_columns(const store::Attributes &a);
// The participant's values, with the age in whole years on the session's
// day when it is derived.
std::map<std::string, std::string> judged_values(const store::Attributes &a, const Session &s);

// Right answers on the scored items (after the training items).
int scored_right(const Session &s);
bool is_complete(const Session &s);

const TestData &chosen_test(const std::vector<TestData> &tests, const std::string &crc);

// Throws Error with a sentence: no such test, an unknown attribute, a band
// too small (unless forced) or empty.
NormTable build_norms(const std::vector<TestData> &tests, const store::Attributes &a, const NormOptions &o);

}  // namespace report
