// Journals sent from the lab's own computers (meridoka-report push): a
// researcher's token in the Authorization header, the journal's rows through
// the same row path as a browser's, so a row already kept is not doubled.
#pragma once

#include "tools/server/row_writer.h"
#include "tools/server/service.h"

namespace httplib {
class Server;
}

namespace server {

void add_push_side(httplib::Server &http, const Settings &settings, RowWriter &writer);

}  // namespace server
