#pragma once

#include <chrono>
#include <cstdint>

namespace fleetsim {

// When each datagram of a run is due. Slot n is due n / rate seconds after the
// start: deadlines are counted from the start, never from the previous send,
// so a wait that oversleeps does not slow the run down; the slots that fell
// due meanwhile go out at once as a small batch. That is also how rates above
// what a sleep can resolve (100 000 per second is one slot every 10 us) are
// held over seconds. A rate of 0 means unpaced: every slot is due at once.
// Pure; any thread.
class RatePacer {
public:
    explicit RatePacer(double slotsPerSecond);

    bool paced() const { return slotsPerSecond_ > 0.0; }
    double slotsPerSecond() const { return slotsPerSecond_; }

    // The deadline of a slot, from the start (0 when unpaced).
    std::chrono::nanoseconds offsetOf(uint64_t slot) const;
    // The same in seconds, for the report times.
    double secondsOf(uint64_t slot) const;
    // How many slots are due `elapsed` after the start: the number of slots
    // whose deadline is at or before it. Unpaced, all of them (UINT64_MAX).
    uint64_t dueBy(std::chrono::nanoseconds elapsed) const;

private:
    double slotsPerSecond_;
};

} // namespace fleetsim
