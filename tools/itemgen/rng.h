// A small seeded generator whose sequence is the same on every platform
// (the standard distributions are not).
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

namespace itemgen {

class Rng {
public:
    explicit Rng(uint64_t seed) : s_(seed) {}
    uint64_t next()
    {
        uint64_t z = (s_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    int below(int n) { return int(next() % uint64_t(n)); }  // 0 to n - 1
    template <class T> void shuffle(std::vector<T> &v)
    {
        for (size_t i = v.size(); i > 1; i--)
            std::swap(v[i - 1], v[size_t(below(int(i)))]);
    }

private:
    uint64_t s_;
};

}  // namespace itemgen
