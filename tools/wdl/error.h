// The one exception type of the archive tool: a message for the person at
// the keyboard, already naming the file (and line) it is about.
#pragma once

#include <stdexcept>
#include <string>

namespace wdl {

struct Error : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// "FILE:LINE: what" (or "FILE: what" for line 0).
std::string where(const std::string &file, int line);

}  // namespace wdl
