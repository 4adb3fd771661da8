// The soak's seeded generator: the item generator's SplitMix64, whose
// sequence is the same on every host and library, so that a seed replays a
// run exactly; with the unsigned draws the scripts are written in.
#pragma once

#include <stdint.h>

#include "tools/itemgen/rng.h"

namespace robust {

class Rng {
public:
    explicit Rng(uint64_t seed) : source_(seed) {}
    // 0..n-1 (n > 0); the tiny bias of the modulo does not matter here
    unsigned below(unsigned n) { return unsigned(source_.next() % n); }
    bool percent(unsigned p) { return below(100) < p; }

private:
    itemgen::Rng source_;
};

}  // namespace robust
