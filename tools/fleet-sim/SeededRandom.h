#pragma once

#include <cstdint>

namespace fleetsim {

// Repeatable pseudo-random numbers. Each value is a pure function of the seed
// and up to three keys (what the value is for, the vehicle, the period), so a
// run does not depend on the order in which values are asked for, and the same
// seed gives the same fleet with every compiler and library (the standard
// distributions may differ between library versions). Any thread.
class SeededRandom {
public:
    explicit SeededRandom(uint64_t seed) : seed_(seed) {}

    uint64_t bits(uint64_t key1, uint64_t key2 = 0, uint64_t key3 = 0) const;
    // A value in [0, 1).
    double unit(uint64_t key1, uint64_t key2 = 0, uint64_t key3 = 0) const;
    // A value in [low, high).
    double between(double low, double high, uint64_t key1, uint64_t key2 = 0,
                   uint64_t key3 = 0) const;

private:
    uint64_t seed_;
};

} // namespace fleetsim
