#include "tools/fleet-sim/RatePacer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <limits>

namespace {

using fleetsim::RatePacer;
using std::chrono::microseconds;
using std::chrono::milliseconds;
using std::chrono::nanoseconds;
using std::chrono::seconds;

// Deadlines count from the start; 100 000 per second is one slot every 10 us, so a wake-up 60 us
// late finds six more slots due and over 5 s the count is exact.
TEST(RatePacer, DeadlinesAndDueSlots) {
    const RatePacer pacer(4.0);
    EXPECT_EQ(pacer.offsetOf(1), milliseconds(250));
    EXPECT_EQ(pacer.offsetOf(4000), seconds(1000));
    EXPECT_EQ(pacer.secondsOf(6), 1.5);
    const struct {
        nanoseconds at;
        uint64_t due;
    } cases[] = {{nanoseconds(-1), 0},
                 {nanoseconds(0), 1},
                 {milliseconds(249), 1},
                 {milliseconds(250), 2},
                 {seconds(10), 41}};
    for (const auto& c : cases) {
        EXPECT_EQ(pacer.dueBy(c.at), c.due) << c.at.count();
    }
    const RatePacer fast(100000.0);
    EXPECT_EQ(fast.dueBy(microseconds(60)) - fast.dueBy(nanoseconds(0)), 6u);
    EXPECT_EQ(fast.dueBy(seconds(5)), 500001u);
    EXPECT_EQ(fast.offsetOf(500000), seconds(5));
}

TEST(RatePacer, DueCountAndDeadlinesAgreeForAwkwardRates) {
    for (double rate : {1.0 / 3.0, 0.7, 3.0, 7.0, 19.99, 1000.0 / 7.0, 33333.3, 100000.0, 1e7}) {
        const RatePacer pacer(rate);
        SCOPED_TRACE(rate);
        for (int64_t step = 0; step < 2000; ++step) {
            const nanoseconds elapsed(step * 7919 * 1013);
            const uint64_t due = pacer.dueBy(elapsed);
            ASSERT_GE(due, 1u);
            // The last due slot is at or before the time, the next one after it.
            ASSERT_LE(pacer.offsetOf(due - 1), elapsed);
            ASSERT_GT(pacer.offsetOf(due), elapsed);
        }
    }
}

TEST(RatePacer, ZeroOrInvalidRatesMeanUnpaced) {
    for (double rate : {0.0, -5.0, std::numeric_limits<double>::quiet_NaN(),
                        std::numeric_limits<double>::infinity()}) {
        const RatePacer pacer(rate);
        EXPECT_FALSE(pacer.paced());
        EXPECT_EQ(pacer.dueBy(nanoseconds(0)), std::numeric_limits<uint64_t>::max());
        EXPECT_EQ(pacer.offsetOf(12345), nanoseconds(0));
        EXPECT_EQ(pacer.secondsOf(12345), 0.0);
    }
    // Very slow rates do not overflow.
    const RatePacer slow(0.001);
    EXPECT_EQ(slow.offsetOf(1), seconds(1000));
    EXPECT_GT(slow.offsetOf(std::numeric_limits<uint64_t>::max()).count(), 0);
    EXPECT_EQ(slow.dueBy(seconds(999)), 1u);
}

} // namespace
