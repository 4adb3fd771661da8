// Journal rows one at a time, as a collecting server receives them from a
// page (web/README.md, "Sending rows to the lab's server"): in any order,
// some twice, (session, row) naming each. The store keeps each pair once
// and a different body for a pair apart as a conflict; the journal is read
// again from its rows whenever they grow, a missing row included.
#pragma once

#include <cstdint>
#include <string>

namespace store {

enum class RowOutcome {
    added,     // a new row
    same,      // this row was already kept, byte for byte (a retry)
    conflict   // the pair is kept with other bytes: this body kept apart, the first one stays
};

struct RowsState {
    int64_t rows = 0;           // distinct rows kept
    int64_t highest = 0;        // the highest row number kept
    int64_t first_missing = 0;  // the lowest number below `highest` not kept; 0: none
    bool complete() const { return rows > 0 && first_missing == 0; }
};

// 64 lower-case hex digits: what a conflicting body is kept under.
std::string body_sha256(const std::string &body);

class Connection;
// Inside the caller's write transaction: the row kept once, or its other
// body kept apart (Store::put_row, and a server's own units).
RowOutcome keep_row(Connection &db, const std::string &session, int64_t row, const std::string &body);

}  // namespace store
