#include "nodes/Trail.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using nodes::Trail;

std::vector<int64_t> timesNewestFirst(const Trail& trail) {
    std::vector<int64_t> times;
    for (size_t i = 0; i < trail.size(); ++i) {
        times.push_back(trail.fromNewest(i).timeMs);
    }
    return times;
}

TEST(Trail, KeepsPointsAtLeastOneSpacingApart) {
    struct Case {
        const char* what;
        int64_t spanMs;
        std::vector<int64_t> added;
        std::vector<int64_t> kept; // newest first
    };
    // A span of 120 s over 128 points: one point per 945 ms (944.9 rounded up).
    const Case cases[] = {
        {"one a second: all", 120000, {0, 1000, 2000}, {2000, 1000, 0}},
        {"faster: one per spacing", 120000, {0, 500, 944, 945, 1889, 1890}, {1890, 945, 0}},
        {"the same time again adds nothing", 120000, {5000, 5000}, {5000}},
        {"a tiny span still refuses the same time", 50, {7, 7, 8}, {8, 7}},
        {"back in time: starts again", 120000, {5000, 6000, 3000, 4000}, {4000, 3000}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Trail trail;
        for (int64_t time : c.added) {
            trail.add(time, 36.0, -115.0, c.spanMs);
        }
        EXPECT_EQ(timesNewestFirst(trail), c.kept);
    }
}

TEST(Trail, RingWrapsOverItsOldestPointsAndCoversTheSpan) {
    Trail trail;
    const int64_t spanMs = 120000;
    for (int second = 0; second < 300; ++second) {
        EXPECT_TRUE(trail.add(second * 1000LL, 36.0 + second * 1e-4, -115.0, spanMs));
    }
    ASSERT_EQ(trail.size(), Trail::kCapacity);
    EXPECT_EQ(trail.fromNewest(0).timeMs, 299000);
    EXPECT_DOUBLE_EQ(trail.fromNewest(0).latitude, 36.0 + 299 * 1e-4);
    EXPECT_EQ(trail.fromNewest(Trail::kCapacity - 1).timeMs, (300 - 128) * 1000);
    // However fast the reports, the ring reaches a whole span back.
    for (int64_t step : {1, 7, 100, 333}) {
        SCOPED_TRACE(step);
        Trail fast;
        for (int64_t ms = 0; ms <= 3 * spanMs; ms += step) {
            fast.add(ms, 0.0, 0.0, spanMs);
        }
        ASSERT_EQ(fast.size(), Trail::kCapacity);
        EXPECT_GE(fast.fromNewest(0).timeMs - fast.fromNewest(fast.size() - 1).timeMs, spanMs);
    }

    trail.clear();
    EXPECT_EQ(trail.size(), 0u);
    EXPECT_TRUE(trail.add(10, 1.0, 2.0, spanMs));
    EXPECT_EQ(timesNewestFirst(trail), std::vector<int64_t>{10});
}

} // namespace
