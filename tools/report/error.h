// The report's errors: the tools' one error type, and the store's own.
#pragma once

#include "host/error.h"

namespace report {

using host::Error;
using host::where;

// The store itself failed (locked, read-only, disk full): no further file
// can be added either.
struct StoreError : Error {
    using Error::Error;
};

}  // namespace report
