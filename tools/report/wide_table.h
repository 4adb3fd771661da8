// One row per session of a test, as statistics packages read data: the
// participant's attributes, the totals, and per item the answer, right and
// time. The columns, their names, labels and missing values are decided
// here once; the CSV, codebook, SPSS and Stata writers only lay them out.
#pragma once

#include "store/attributes.h"
#include "report/analysis.h"

#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace report {

// Why a value is missing. Item columns tell the three reasons apart; the
// codes are the same in every export (README.md, "export").
enum class Missing : char {
    none,
    unknown,       // nothing to say (an attribute not imported, no ability)
    not_answered,  // an item passed over before the session's last answer
    not_reached,   // an item after the session's last answer
    not_recorded   // answered, but the file kept no digit or time (result files)
};

struct MissingCode {
    Missing why;
    double spss;      // SPSS user-missing value
    char stata;       // Stata extended missing value .a, .b, .c
    const char *label;
};
// The item columns' three codes, in order.
extern const MissingCode missing_codes[3];

struct WideCell {
    double number = 0;
    std::string text;
    Missing missing = Missing::none;
};

struct WideColumn {
    std::string name;      // valid in SPSS and Stata: see variable_name
    std::string label;     // the variable label (at most 80 characters)
    bool text = false;     // else a number
    int decimals = 0;      // numbers: places kept (the same in every export)
    bool item_missing = false;  // carries the three missing codes
    std::vector<std::pair<double, std::string>> value_labels;
    std::string meaning;   // the codebook's longer explanation
    int text_bytes = 1;    // text: the longest value in bytes (at least 1)
    std::function<WideCell(const SessionRow &)> value;
};

struct WideTable {
    const TestAnalysis *analysis = nullptr;
    std::vector<WideColumn> columns;
    WideCell cell(size_t column, size_t session) const
    {
        return columns[column].value(analysis->sessions[session]);
    }
    size_t rows() const { return analysis->sessions.size(); }
};

// The table of one test's sessions (in the analysis' order) with every
// attribute column of the store.
WideTable wide_table(const TestAnalysis &a, const store::Attributes &attributes);

// A name SPSS and Stata both take: ASCII letters, digits and underscores,
// starting with a letter, at most 32 characters, no reserved word, unique
// among `taken` regardless of case (suffix _2, _3...). Adds it to `taken`.
std::string variable_name(const std::string &wanted, std::vector<std::string> &taken);

}  // namespace report
