// The store's exceptions: a message for the person at the keyboard, already
// naming the file (and line) or the store it is about.
#pragma once

#include <stdexcept>
#include <string>

namespace store {

// One input was refused (damaged, disagrees with the store); the store is
// fine and other inputs can still go in.
struct Error : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// The store itself failed (locked, read-only, disk full, server gone): no
// further input can be added either.
struct StoreError : Error {
    using Error::Error;
};

// "FILE:LINE: " (or "FILE: " for line 0), to start a message with.
inline std::string where(const std::string &file, int line)
{
    return line > 0 ? file + ":" + std::to_string(line) + ": " : file + ": ";
}

}  // namespace store
