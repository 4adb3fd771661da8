// The wide table laid out as files: a CSV table, its codebook (CSV or
// Markdown), and SPSS (.sav) and Stata (.dta) data files through ReadStat.
#pragma once

#include "tools/report/wide_table.h"

#include <string>

namespace report {

// UTF-8 with a byte-order mark, CR LF, RFC 4180; a missing value is an
// empty cell; text cells a spreadsheet would run as formulas are defused.
std::string wide_csv(const WideTable &t);

// Every column: name, label, type, decimals, values, missing values, meaning.
std::string codebook_csv(const WideTable &t);
std::string codebook_markdown(const WideTable &t);

// Written whole (through a temporary file); throws Error naming the file
// with ReadStat's reason when it refuses.
void write_sav(const WideTable &t, const std::string &path);
void write_dta(const WideTable &t, const std::string &path);

}  // namespace report
