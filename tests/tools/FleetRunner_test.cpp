#include "tools/fleet-sim/FleetRunner.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

using fleetsim::DatagramSource;
using fleetsim::FleetRunner;
using fleetsim::RatePacer;

// Slot n gives datagram "n"; every `skipEvery`-th slot is empty; the source ends at `end`. Every
// `failEvery`-th send fails.
struct Loop : fleetsim::DatagramSource, fleetsim::DatagramSink {
    uint64_t end, skipEvery, failEvery;
    std::vector<uint64_t> slots;
    std::string received;
    uint64_t sends = 0;

    Loop(uint64_t e, uint64_t skip, uint64_t fail) : end(e), skipEvery(skip), failEvery(fail) {}
    Slot fill(uint64_t slot, std::string& datagram) override {
        slots.push_back(slot);
        if (slot >= end) {
            return Slot::End;
        }
        if (skipEvery != 0 && slot % skipEvery == skipEvery - 1) {
            return Slot::Skip;
        }
        datagram = std::to_string(slot);
        return Slot::Datagram;
    }
    bool send(std::string_view datagram) override {
        if (failEvery != 0 && ++sends % failEvery == 0) {
            return false;
        }
        received += std::string(datagram) + " ";
        return true;
    }
};

TEST(FleetRunner, EndsAtTheCountTheScheduleTheSourceOrTheStopFlag) {
    constexpr uint64_t kNoEnd = 1000000;
    const struct {
        const char* what;
        uint64_t end, skipEvery, failEvery;
        double rate;
        uint64_t count;
        double duration;
        bool unpaced, stop;
        uint64_t sent, errors, slots;
        const char* received; // the last one sent, for the schedule
    } cases[] = {
        {"count, errors included", kNoEnd, 0, 4, 5, 10, 0, true, false, 8, 2, 10,
         "0 1 2 4 5 6 8 9 "},
        {"empty slots do not count", kNoEnd, 3, 0, 5, 6, 0, true, false, 6, 0, 8, "0 1 3 4 6 7 "},
        {"2.5 s of schedule, not of clock", kNoEnd, 0, 0, 10, 0, 2.5, true, false, 25, 0, 0, "24 "},
        {"the source ends", 7, 0, 0, 0, 0, 0, false, false, 7, 0, 8, "0 1 2 3 4 5 6 "},
        {"stopped before the first slot", kNoEnd, 0, 0, 1000, 0, 0, true, true, 0, 0, 0, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Loop loop(c.end, c.skipEvery, c.failEvery);
        const std::atomic<bool> stop(c.stop);
        FleetRunner::Limits limits;
        limits.unpaced = c.unpaced;
        limits.count = c.count;
        limits.duration = c.duration;
        const FleetRunner::Totals totals =
            FleetRunner(loop, loop, RatePacer(c.rate), limits, stop).run();
        EXPECT_EQ(totals.sent, c.sent);
        EXPECT_EQ(totals.sendErrors, c.errors);
        const std::string tail = loop.received.substr(
            loop.received.size() - std::min(loop.received.size(), std::strlen(c.received)));
        EXPECT_EQ(c.sent > 20 ? tail : loop.received, c.received);
        if (c.slots != 0 || c.stop) {
            EXPECT_EQ(loop.slots.size(), c.slots);
        }
    }
    // 30 slots at 1000 per second: the last one is due after 29 ms, never sooner.
    Loop paced(30, 0, 0);
    const std::atomic<bool> stop(false);
    const FleetRunner::Totals totals =
        FleetRunner(paced, paced, RatePacer(1000.0), FleetRunner::Limits(), stop).run();
    EXPECT_EQ(totals.sent, 30u);
    EXPECT_GE(totals.seconds, 0.029);
}

} // namespace
