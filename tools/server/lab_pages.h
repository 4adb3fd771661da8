// The researchers' pages, behind a login (/lab/): the studies and their
// progress, adding, opening and closing a study, each study's sessions and
// CSV tables, the quarantine, forgetting a participant, the audit log. The
// login is a random token in an HttpOnly, SameSite=Strict cookie (Secure
// behind TLS), kept in the store only as its hash; every form carries the
// login's CSRF token.
#pragma once

#include "tools/server/service.h"

namespace httplib {
class Server;
}

namespace server {

void add_lab_pages(httplib::Server &http, const Settings &settings);

// A new study: its key, the archive kept in the store. Returns the key.
// Throws store::Error with a sentence when the bytes are not an archive.
std::string add_study(store::Collector &collector, const std::string &name, const std::string &archive);

}  // namespace server
