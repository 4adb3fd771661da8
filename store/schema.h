// The store's schema and its versions: what a new store is made with, and
// the steps that bring an older store up to date (README.md, "Schema").
#pragma once

#include "store/db.h"

#include <cstdint>

namespace store {

// PRAGMA application_id of a results store ("MRDK"), and its schema version.
inline constexpr int64_t application_id = 0x4D52444B;
inline constexpr int64_t schema_version = 10;

// Makes the schema in an empty database, or brings one of an older version
// up to date; inside the caller's write transaction.
void create_or_migrate(Connection &c, int64_t from_version);

}  // namespace store
