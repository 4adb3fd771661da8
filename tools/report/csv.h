// RFC 4180 CSV, the host library's (host/csv.h), under the report's names.
#pragma once

#include "host/csv.h"

namespace report {

using host::CsvReader;
using host::CsvRow;
using host::append_csv_field;

}  // namespace report
