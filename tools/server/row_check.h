// A journal row as a participant's page posts it (web/README.md, "Sending
// rows to the lab's server"), checked before anything is kept: the query's
// session and row number, the body's bytes, its 27 fields, its event.
#pragma once

#include "store/collector.h"

#include <string>

namespace server {

struct RowCheck {
    bool ok = false;
    int status = 400;     // when not ok: 400, or 413 for a body over the limit
    std::string reason;   // when not ok: a sentence
};

// Fills `row` (session, row, participant, event, the session_end columns)
// from the query's values and the body.
RowCheck check_row(const std::string &session, const std::string &row_number, const std::string &body,
                   int64_t max_body, store::ArrivingRow &row);

}  // namespace server
