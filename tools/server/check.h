// `meridoka-server check`: what would stop or weaken a server with these
// settings, found before it is started, without changing anything (the
// store is opened for reading, the port bound and let go at once).
#pragma once

#include "tools/server/service.h"

#include <string>
#include <vector>

namespace server {

struct CheckReport {
    std::vector<std::string> problems;  // one sentence each; serve would fail or run unsafely
    std::vector<std::string> warnings;  // allowed, but worth a second look (plain HTTP off loopback)
    std::vector<std::string> notes;     // what was found sound, for the summary
};

// `problems` come in already (those of the settings themselves); the store,
// the address, the browser build, the studies' archives and the proxy
// settings are added to them.
CheckReport check_settings(const Settings &settings, std::vector<std::string> problems);

}  // namespace server
