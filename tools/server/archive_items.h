// How many items a study's archive holds: what a session's first row must
// claim along with the archive's CRC-32.
#pragma once

#include <string>

namespace server {

// Throws store::Error with a sentence when the bytes hold no item table.
int archive_item_count(const std::string &archive);

}  // namespace server
