// A study's scored report, made when a researcher asks for it: the rows
// that arrived since the last import are first read in as sessions (the
// report engine's add, as `meridoka-report add STORE` does), then the
// study's own sessions are analysed and written as `meridoka-report html`
// and `csv` write a store's.
#pragma once

#include "store/collector.h"

#include <cstdint>
#include <string>

namespace server {

// "report.html" (the page) or the name of one of the report's CSV tables
// (report::csv_files: tests.csv ...). Throws store::Error (StoreError when
// the store failed).
std::string study_report(store::Store &store, const store::Study &study, const std::string &file, int64_t now);

}  // namespace server
