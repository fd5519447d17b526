#include "tools/fleet-sim/RatePacer.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace fleetsim {
namespace {

constexpr double kNanosecondsPerSecond = 1e9;
// Deadlines are kept below this so the nanosecond count cannot overflow
// (about 290 years; no run gets there).
constexpr double kLatestOffset = 9.0e18;

} // namespace

RatePacer::RatePacer(double slotsPerSecond)
    : slotsPerSecond_(std::isfinite(slotsPerSecond) && slotsPerSecond > 0.0 ? slotsPerSecond
                                                                            : 0.0) {}

double RatePacer::secondsOf(uint64_t slot) const {
    return paced() ? static_cast<double>(slot) / slotsPerSecond_ : 0.0;
}

std::chrono::nanoseconds RatePacer::offsetOf(uint64_t slot) const {
    if (!paced()) {
        return std::chrono::nanoseconds(0);
    }
    const double nanoseconds =
        std::floor(static_cast<double>(slot) * kNanosecondsPerSecond / slotsPerSecond_);
    return std::chrono::nanoseconds(static_cast<int64_t>(std::min(nanoseconds, kLatestOffset)));
}

uint64_t RatePacer::dueBy(std::chrono::nanoseconds elapsed) const {
    if (!paced()) {
        return std::numeric_limits<uint64_t>::max();
    }
    if (elapsed.count() < 0) {
        return 0;
    }
    // A first guess from the rate, then corrected against offsetOf itself so
    // that both always agree despite rounding.
    const double guess =
        std::floor(static_cast<double>(elapsed.count()) * slotsPerSecond_ / kNanosecondsPerSecond);
    uint64_t due = static_cast<uint64_t>(std::min(guess, 9.0e18)) + 1;
    while (due > 0 && offsetOf(due - 1) > elapsed) {
        --due;
    }
    while (due < std::numeric_limits<uint64_t>::max() && offsetOf(due) <= elapsed &&
           offsetOf(due).count() < static_cast<int64_t>(kLatestOffset)) {
        ++due;
    }
    return due;
}

} // namespace fleetsim
