// The store's exceptions: a message for the person at the keyboard, already
// naming the file (and line) or the store it is about.
#pragma once

#include "host/error.h"

namespace store {

// One input was refused (damaged, disagrees with the store); the store is
// fine and other inputs can still go in. The host tools' one error type.
using Error = host::Error;

// The store itself failed (locked, read-only, disk full, server gone): no
// further input can be added either.
struct StoreError : Error {
    using Error::Error;
};

using host::where;

}  // namespace store
