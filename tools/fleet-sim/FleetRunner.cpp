#include "tools/fleet-sim/FleetRunner.h"

#include <algorithm>
#include <limits>
#include <thread>

namespace fleetsim {
namespace {

using Clock = std::chrono::steady_clock;

// Slots sent in one go before the clock is read again.
constexpr uint64_t kBatch = 256;
// The longest single sleep, so a signal is noticed quickly even at low rates.
constexpr std::chrono::milliseconds kLongestSleep(50);

} // namespace

FleetRunner::FleetRunner(DatagramSource& source, DatagramSink& sink, const RatePacer& pacer,
                         Limits limits, const std::atomic<bool>& stop)
    : source_(source), sink_(sink), pacer_(pacer), limits_(limits), stop_(stop) {}

bool FleetRunner::finished(std::chrono::nanoseconds elapsed) const {
    if (stop_.load(std::memory_order_relaxed)) {
        return true;
    }
    if (limits_.count > 0 && totals_.sent + totals_.sendErrors >= limits_.count) {
        return true;
    }
    if (limits_.duration <= 0.0) {
        return false;
    }
    // A paced run ends on its schedule, so the same options give the same
    // datagrams however fast they went out; an unpaced one has only the clock.
    const double seconds =
        pacer_.paced() ? pacer_.secondsOf(slot_) : std::chrono::duration<double>(elapsed).count();
    return seconds >= limits_.duration;
}

uint64_t FleetRunner::dueSlots(std::chrono::nanoseconds elapsed) const {
    if (limits_.unpaced || !pacer_.paced()) {
        return std::numeric_limits<uint64_t>::max();
    }
    return pacer_.dueBy(elapsed);
}

bool FleetRunner::sendBatch(uint64_t end, std::chrono::nanoseconds elapsed) {
    while (slot_ < end && !finished(elapsed)) {
        const DatagramSource::Slot filled = source_.fill(slot_, datagram_);
        if (filled == DatagramSource::Slot::End) {
            return false;
        }
        const bool garbage = filled == DatagramSource::Slot::Garbage;
        if (filled == DatagramSource::Slot::Datagram || garbage) {
            const bool sent = sink_.send(datagram_);
            ++(sent ? totals_.sent : totals_.sendErrors);
            totals_.garbage += sent && garbage ? 1 : 0;
            if (sent && !garbage && lastReports_ != nullptr) {
                lastReports_->sent(datagram_);
            }
        }
        ++slot_;
    }
    return true;
}

void FleetRunner::waitForNextSlot(Clock::time_point start) const {
    const Clock::time_point deadline = start + pacer_.offsetOf(slot_);
    std::this_thread::sleep_until(std::min(deadline, Clock::now() + kLongestSleep));
}

FleetRunner::Totals FleetRunner::run() {
    const Clock::time_point start = Clock::now();
    for (;;) {
        const std::chrono::nanoseconds elapsed = Clock::now() - start;
        if (finished(elapsed)) {
            break;
        }
        const uint64_t due = dueSlots(elapsed);
        if (slot_ >= due) {
            waitForNextSlot(start);
            continue;
        }
        if (!sendBatch(slot_ + std::min(kBatch, due - slot_), elapsed)) {
            break;
        }
    }
    totals_.seconds = std::chrono::duration<double>(Clock::now() - start).count();
    return totals_;
}

} // namespace fleetsim
