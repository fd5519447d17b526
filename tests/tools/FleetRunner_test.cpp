#include "tools/fleet-sim/FleetRunner.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using fleetsim::DatagramSink;
using fleetsim::DatagramSource;
using fleetsim::FleetRunner;
using fleetsim::RatePacer;

// Slot n gives datagram "n"; every `skipEvery`-th slot is empty; the source
// ends at `end`.
class CountingSource : public DatagramSource {
public:
    CountingSource(uint64_t end, uint64_t skipEvery) : end_(end), skipEvery_(skipEvery) {}

    Slot fill(uint64_t slot, std::string& datagram) override {
        slots.push_back(slot);
        if (slot >= end_) {
            return Slot::End;
        }
        if (skipEvery_ != 0 && slot % skipEvery_ == skipEvery_ - 1) {
            return Slot::Skip;
        }
        datagram = std::to_string(slot);
        return Slot::Datagram;
    }

    std::vector<uint64_t> slots;

private:
    uint64_t end_;
    uint64_t skipEvery_;
};

// Records what it is given; every `failEvery`-th send fails.
class RecordingSink : public DatagramSink {
public:
    explicit RecordingSink(uint64_t failEvery = 0) : failEvery_(failEvery) {}

    bool send(std::string_view datagram) override {
        ++calls_;
        if (failEvery_ != 0 && calls_ % failEvery_ == 0) {
            return false;
        }
        received.emplace_back(datagram);
        return true;
    }

    std::vector<std::string> received;

private:
    uint64_t failEvery_;
    uint64_t calls_ = 0;
};

FleetRunner::Limits unpacedLimits() {
    FleetRunner::Limits limits;
    limits.unpaced = true;
    return limits;
}

TEST(FleetRunner, StopsAfterCountDatagramsErrorsIncluded) {
    CountingSource source(1000000, 0);
    RecordingSink sink(4);
    const std::atomic<bool> stop(false);
    FleetRunner::Limits limits = unpacedLimits();
    limits.count = 10;
    const FleetRunner::Totals totals =
        FleetRunner(source, sink, RatePacer(5.0), limits, stop).run();
    EXPECT_EQ(totals.sent, 8u);
    EXPECT_EQ(totals.sendErrors, 2u);
    EXPECT_EQ(source.slots.size(), 10u);
}

TEST(FleetRunner, EmptySlotsDoNotCount) {
    CountingSource source(1000000, 3);
    RecordingSink sink;
    const std::atomic<bool> stop(false);
    FleetRunner::Limits limits = unpacedLimits();
    limits.count = 6;
    const FleetRunner::Totals totals =
        FleetRunner(source, sink, RatePacer(5.0), limits, stop).run();
    EXPECT_EQ(totals.sent, 6u);
    const std::vector<std::string> expected = {"0", "1", "3", "4", "6", "7"};
    EXPECT_EQ(sink.received, expected);
}

TEST(FleetRunner, DurationFollowsTheScheduleNotTheClock) {
    // Unpaced, 10 slots a second for 2.5 s of schedule: slots 0 to 24, at once.
    CountingSource source(1000000, 0);
    RecordingSink sink;
    const std::atomic<bool> stop(false);
    FleetRunner::Limits limits = unpacedLimits();
    limits.duration = 2.5;
    const FleetRunner::Totals totals =
        FleetRunner(source, sink, RatePacer(10.0), limits, stop).run();
    EXPECT_EQ(totals.sent, 25u);
    EXPECT_EQ(sink.received.back(), "24");
}

TEST(FleetRunner, EndsWithTheSource) {
    CountingSource source(7, 0);
    RecordingSink sink;
    const std::atomic<bool> stop(false);
    const FleetRunner::Totals totals =
        FleetRunner(source, sink, RatePacer(0.0), FleetRunner::Limits(), stop).run();
    EXPECT_EQ(totals.sent, 7u);
    EXPECT_EQ(totals.sendErrors, 0u);
}

TEST(FleetRunner, StopFlagEndsTheRunBeforeTheNextSlot) {
    CountingSource source(1000000, 0);
    RecordingSink sink;
    const std::atomic<bool> stop(true);
    const FleetRunner::Totals totals =
        FleetRunner(source, sink, RatePacer(1000.0), unpacedLimits(), stop).run();
    EXPECT_EQ(totals.sent, 0u);
    EXPECT_TRUE(source.slots.empty());
}

TEST(FleetRunner, PacedRunKeepsToItsDeadlines) {
    // 30 slots at 1000 per second: the last one is due after 29 ms, never sooner.
    CountingSource source(30, 0);
    RecordingSink sink;
    const std::atomic<bool> stop(false);
    const FleetRunner::Totals totals =
        FleetRunner(source, sink, RatePacer(1000.0), FleetRunner::Limits(), stop).run();
    EXPECT_EQ(totals.sent, 30u);
    EXPECT_GE(totals.seconds, 0.029);
}

} // namespace
