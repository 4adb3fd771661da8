// Text that goes out to a researcher's browser or spreadsheet: every value
// escaped for HTML, and CSV cells that cannot become formulas.
#pragma once

#include <string>
#include <string_view>

namespace server {

std::string html(std::string_view text);  // & < > " escaped (host::html_escape)
// A CSV cell as written (host::append_spreadsheet_cell): one that a
// spreadsheet would read as a formula (beginning with = + - @, a tab or CR,
// and not a plain number) gets a leading apostrophe; then quoted when it
// holds a comma, quote, CR or LF.
void append_csv_cell(std::string &out, std::string_view cell);
std::string utc_time(int64_t unix_seconds);  // YYYY-MM-DD hh:mm:ss

}  // namespace server
