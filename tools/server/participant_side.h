// What a participant's browser may ask for, under a study's link /s/KEY/:
// the page's own files (a fixed set, read at start-up), the study's
// archive, its settings (postUrl pointing back here), and POST rows. It
// can read nothing that was sent.
#pragma once

#include "tools/server/rate_limit.h"
#include "tools/server/row_writer.h"
#include "tools/server/service.h"

namespace httplib {
class Server;
}

namespace server {

// Rows go in through `writer` (group commit).
void add_participant_side(httplib::Server &http, const Settings &settings, const PageFiles &page, RateLimit &limit,
                          RowWriter &writer);

}  // namespace server
