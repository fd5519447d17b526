#include "nodes/Trail.h"

#include <gtest/gtest.h>

#include <tuple>

namespace {

using nodes::Trail;

std::vector<int64_t> timesNewestFirst(const Trail& trail) {
    std::vector<int64_t> times;
    for (size_t i = 0; i < trail.size(); ++i) {
        times.push_back(trail.fromNewest(i).timeMs);
    }
    return times;
}

// A span of 120 s over 128 points keeps one point per 945 ms (944.9 rounded up); the same time
// again adds nothing; a time back in the past starts again.
TEST(Trail, KeepsPointsAtLeastOneSpacingApart) {
    const std::tuple<int64_t, std::vector<int64_t>, std::vector<int64_t>> cases[] = {
        {120000, {0, 1000, 2000}, {2000, 1000, 0}},
        {120000, {0, 500, 944, 945, 1889, 1890}, {1890, 945, 0}},
        {120000, {5000, 5000}, {5000}},
        {50, {7, 7, 8}, {8, 7}},
        {120000, {5000, 6000, 3000, 4000}, {4000, 3000}},
    };
    for (const auto& [spanMs, added, kept] : cases) {
        SCOPED_TRACE(testing::PrintToString(added));
        Trail trail;
        for (int64_t time : added) {
            trail.add(time, 36.0, -115.0, spanMs);
        }
        EXPECT_EQ(timesNewestFirst(trail), kept);
    }
}

// The ring wraps over its oldest points and, however fast the reports, reaches a whole span back.
TEST(Trail, RingWrapsOverItsOldestPointsAndCoversTheSpan) {
    Trail trail;
    for (int second = 0; second < 300; ++second) {
        EXPECT_TRUE(trail.add(second * 1000LL, 36.0 + second * 1e-4, -115.0, 120000));
    }
    ASSERT_EQ(trail.size(), Trail::kCapacity);
    EXPECT_EQ(trail.fromNewest(0).timeMs, 299000);
    EXPECT_DOUBLE_EQ(trail.fromNewest(0).latitude, 36.0 + 299 * 1e-4);
    EXPECT_EQ(trail.fromNewest(Trail::kCapacity - 1).timeMs, (300 - 128) * 1000);
    for (int64_t step : {1, 7, 100, 333}) {
        Trail fast;
        for (int64_t ms = 0; ms <= 360000; ms += step) {
            fast.add(ms, 0.0, 0.0, 120000);
        }
        ASSERT_EQ(fast.size(), Trail::kCapacity);
        EXPECT_GE(fast.fromNewest(0).timeMs - fast.fromNewest(fast.size() - 1).timeMs, 120000)
            << step;
    }
    trail.clear();
    EXPECT_TRUE(trail.add(10, 1.0, 2.0, 120000));
    EXPECT_EQ(timesNewestFirst(trail), std::vector<int64_t>{10});
}

} // namespace
