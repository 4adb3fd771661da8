// The report tool's exceptions are the store's: a message for the person at
// the keyboard, already naming the file (and line) it is about. StoreError:
// the store itself failed, no further file can be added either.
#pragma once

#include "store/error.h"

namespace report {

using store::Error;
using store::StoreError;
using store::where;

}  // namespace report
