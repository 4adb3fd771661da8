// A small seeded generator (SplitMix64) whose sequence is the same on every
// host and library, so that a seed replays a run exactly.
#pragma once

#include <stdint.h>

namespace robust {

class Rng {
public:
    explicit Rng(uint64_t seed) : state_(seed) {}
    uint64_t next()
    {
        uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    // 0..n-1 (n > 0); the tiny bias of the modulo does not matter here
    unsigned below(unsigned n) { return unsigned(next() % n); }
    bool percent(unsigned p) { return below(100) < p; }

private:
    uint64_t state_;
};

}  // namespace robust
