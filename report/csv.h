// RFC 4180 CSV, the host library's (host/csv.h), under the report's names.
#pragma once

#include "host/csv.h"
#include "host/utf8.h"

namespace report {

using host::CsvReader;
using host::CsvRow;
using host::append_csv_field;
using host::append_spreadsheet_cell;
using host::spreadsheet_safe;
using host::utf8_prefix;

}  // namespace report
