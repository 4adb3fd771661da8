// The administration settings (ADMINSET) on the tools' side: written from
// the portable record, described for people. Their byte layout is
// archive/format.h; what counts as valid is the runner's own parser
// (settings_parse, archive/settings.h).
#pragma once

#include "archive/settings.h"

#include <cstdint>
#include <string>
#include <vector>

namespace host {

std::vector<uint8_t> encode_admin(const AdminSettings &s);

// What a settings_* fault means, for `wdl check` and `wdl list`.
std::string admin_fault(int fault);

// The values in words, one line: "ask for ID: required (1-12 of A-Z 0-9 -.), ...".
std::string admin_summary(const AdminSettings &s);

// The "administration" block of test.json, indented by two spaces, without
// a comma after it.
std::string admin_json(const AdminSettings &s);

}  // namespace host
