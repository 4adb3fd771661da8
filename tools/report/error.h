// The one exception type of the report tool: a message for the person at
// the keyboard, already naming the file (and line) it is about.
#pragma once

#include <stdexcept>
#include <string>

namespace report {

struct Error : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// The store itself failed (locked, read-only, disk full): no further file
// can be added either.
struct StoreError : Error {
    using Error::Error;
};

// "FILE:LINE: " (or "FILE: " for line 0), to start a message with.
inline std::string where(const std::string &file, int line)
{
    return line > 0 ? file + ":" + std::to_string(line) + ": " : file + ": ";
}

}  // namespace report
