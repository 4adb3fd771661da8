// The one exception type of the host tools: a message for the person at
// the keyboard, already naming the file (and line) it is about.
#pragma once

#include <stdexcept>
#include <string>

namespace host {

struct Error : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// "FILE:LINE: " (or "FILE: " for line 0), to start a message with.
inline std::string where(const std::string &file, int line)
{
    return line > 0 ? file + ":" + std::to_string(line) + ": " : file + ": ";
}

}  // namespace host
