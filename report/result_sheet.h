// Reading the runner's plain result file (RESULT-W.TXT in Windows-1251,
// RESULT-D.TXT in CP866): a heading, one "+ | text" line per item, totals.
#pragma once

#include "host/codepages.h"

#include <string>
#include <string_view>
#include <vector>

namespace report {

using host::Codepage;
using host::guess_codepage;
using host::to_utf8;

struct ResultSheet {
    std::vector<std::string> texts;  // every item's text, UTF-8, in test order
    std::string marks;               // '+', '-' per item up to the last answered; ' ': its time ran out
    Codepage codepage = Codepage::cp1251;
};

// True when the last line ends in the totals " R(+) W(-) (A/N)".
bool looks_like_result_sheet(std::string_view bytes);

// The code page a result file's name promises (…-D.TXT: CP866, …-W.TXT:
// Windows-1251); otherwise guessed from the bytes.
Codepage result_codepage(const std::string &file_name, std::string_view bytes);

// Parses a whole result file; throws Error naming the file and line of
// anything that does not add up (marks against totals, item count).
ResultSheet parse_result_sheet(std::string_view bytes, const std::string &file, Codepage cp);

}  // namespace report
