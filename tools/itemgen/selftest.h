#pragma once

namespace itemgen {

// Runs the generator's own checks on hand-made and deliberately broken
// items; returns the exit status.
int self_test();

}  // namespace itemgen
