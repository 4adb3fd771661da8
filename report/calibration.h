// What one session's page needs from the rest of its test's sessions: the
// Rasch difficulties and each item's median response time. Kept in the
// store (Store::put_calibration) under the test's fingerprint, so the next
// page reads one session and this instead of every session of the test.
#pragma once

#include "store/store.h"
#include "report/analysis.h"

#include <string>
#include <vector>

namespace report {

struct Calibration {
    bool fitted = false;
    std::string problem;             // why the model is not fitted
    std::vector<double> b;           // per analysed item (NaN: no difficulty)
    std::vector<double> median_rt;   // per item of the test, ms (NaN: no times)
};

Calibration calibration_of(const TestAnalysis &a);
// Text that reads back to the same doubles, bit for bit.
std::string calibration_text(const Calibration &c);
// False when the text is not a calibration of a test of `items` items.
bool read_calibration(const std::string &text, int items, Calibration &out);

// The test's calibration as kept in the store when its sessions have not
// changed since; else made from every session of the test and kept for the
// next reader (through a second connection that writes; a store that
// cannot be written to, or is busy, just goes without).
Calibration current_calibration(store::Store &store, const std::string &archive_crc32, int items);
// Makes and keeps the calibration of every test whose sessions changed
// since theirs was kept (add calls it, so that the first page after an add
// reads it instead of every session); returns how many it made.
int keep_calibrations(store::Store &store);

}  // namespace report
