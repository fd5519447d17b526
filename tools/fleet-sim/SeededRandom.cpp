#include "tools/fleet-sim/SeededRandom.h"

namespace fleetsim {
namespace {

// The finaliser of SplitMix64: a bijection that spreads every input bit over
// the whole word, so neighbouring keys give unrelated values.
uint64_t mix(uint64_t x) {
    x += 0x9E3779B97F4A7C15ull;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    return x ^ (x >> 31);
}

} // namespace

uint64_t SeededRandom::bits(uint64_t key1, uint64_t key2, uint64_t key3) const {
    return mix(mix(mix(mix(seed_) ^ key1) ^ key2) ^ key3);
}

double SeededRandom::unit(uint64_t key1, uint64_t key2, uint64_t key3) const {
    // The top 53 bits fill a double's mantissa exactly: the result is below 1.
    return static_cast<double>(bits(key1, key2, key3) >> 11) * 0x1.0p-53;
}

double SeededRandom::between(double low, double high, uint64_t key1, uint64_t key2,
                             uint64_t key3) const {
    return low + (high - low) * unit(key1, key2, key3);
}

} // namespace fleetsim
