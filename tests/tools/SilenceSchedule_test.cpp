#include "tools/fleet-sim/SilenceSchedule.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using fleetsim::SeededRandom;
using fleetsim::SilenceSchedule;

struct Interval {
    double begin;
    double end;
    int64_t number;
};

// The silences of a vehicle between 0 and `until`, sampled every `step`.
std::vector<Interval> silencesOf(const SilenceSchedule& schedule, uint32_t vehicle, double until,
                                 double step) {
    std::vector<Interval> found;
    int64_t current = -1;
    for (int64_t i = 0; i * step < until; ++i) {
        const double t = i * step;
        const int64_t silence = schedule.silenceAt(vehicle, t);
        if (silence >= 0 && silence != current) {
            found.push_back({t, t, silence});
        }
        if (silence >= 0) {
            found.back().end = t + step;
        }
        current = silence;
    }
    return found;
}

TEST(SilenceSchedule, TheGivenShareOfTheFleetFallsSilent) {
    struct Case {
        uint32_t vehicles;
        double fraction;
        uint32_t silent;
    };
    const Case cases[] = {{20, 0.15, 3}, {20, 0.0, 0},      {20, 1.0, 20}, {7, 0.5, 4},
                          {1, 0.15, 0},  {1001, 0.15, 150}, {0, 0.5, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.vehicles << " vehicles, share " << c.fraction);
        const SilenceSchedule schedule(SeededRandom(7), c.vehicles, c.fraction, 8.0);
        EXPECT_EQ(schedule.silentVehicleCount(), c.silent);
        uint32_t marked = 0;
        for (uint32_t v = 0; v < c.vehicles; ++v) {
            marked += schedule.fallsSilent(v) ? 1 : 0;
        }
        EXPECT_EQ(marked, c.silent);
    }
}

TEST(SilenceSchedule, SilencesLastBetweenOnceAndTwiceTheGivenLengthAndRecur) {
    const double silentSeconds = 8.0;
    const double step = 0.01;
    const SilenceSchedule schedule(SeededRandom(42), 20, 0.15, silentSeconds);
    for (uint32_t v = 0; v < 20; ++v) {
        SCOPED_TRACE(v);
        const std::vector<Interval> silences = silencesOf(schedule, v, 600.0, step);
        if (!schedule.fallsSilent(v)) {
            EXPECT_TRUE(silences.empty());
            continue;
        }
        // A cycle is at most eight silence lengths: 600 s hold several.
        ASSERT_GE(silences.size(), 5u);
        for (size_t i = 0; i < silences.size(); ++i) {
            const Interval& s = silences[i];
            // The first and last silence may be cut by the ends of the window.
            const bool whole = i > 0 && i + 1 < silences.size();
            if (whole) {
                EXPECT_NEAR(s.end - s.begin, schedule.silenceLength(v, s.number), 2 * step);
            }
            EXPECT_GE(schedule.silenceLength(v, s.number), silentSeconds);
            EXPECT_LT(schedule.silenceLength(v, s.number), 2 * silentSeconds);
            if (i > 0) {
                EXPECT_EQ(s.number, silences[i - 1].number + 1);
                // Between two silences the vehicle talks for at least twice the length.
                EXPECT_GE(s.begin - silences[i - 1].end, 2 * silentSeconds - 2 * step);
            }
        }
    }
}

TEST(SilenceSchedule, BothIdleLevelsOfTheDisplayAreReached) {
    // With the display's default idle limits of 5 s and 10 s, silences of 8
    // to 16 s show medium idle (under 10 s) and bad idle (over 10 s).
    const SilenceSchedule schedule(SeededRandom(1), 20, 0.15, 8.0);
    bool shortOne = false;
    bool longOne = false;
    for (uint32_t v = 0; v < 20; ++v) {
        for (int64_t n = 0; n < 20 && schedule.fallsSilent(v); ++n) {
            const double length = schedule.silenceLength(v, n);
            shortOne = shortOne || length < 10.0;
            longOne = longOne || length > 10.0;
        }
    }
    EXPECT_TRUE(shortOne);
    EXPECT_TRUE(longOne);
}

TEST(SilenceSchedule, SameSeedSameSchedule) {
    const SilenceSchedule a(SeededRandom(99), 50, 0.3, 5.0);
    const SilenceSchedule b(SeededRandom(99), 50, 0.3, 5.0);
    const SilenceSchedule other(SeededRandom(100), 50, 0.3, 5.0);
    bool differs = false;
    for (uint32_t v = 0; v < 50; ++v) {
        for (double t = 0.0; t < 300.0; t += 0.5) {
            ASSERT_EQ(a.silenceAt(v, t), b.silenceAt(v, t));
            differs = differs || a.isSilent(v, t) != other.isSilent(v, t);
        }
    }
    EXPECT_TRUE(differs);
}

TEST(SilenceSchedule, OutOfRangeQueriesReport) {
    const SilenceSchedule schedule(SeededRandom(3), 5, 1.0, 8.0);
    EXPECT_FALSE(schedule.isSilent(5, 1.0)); // no such vehicle
    EXPECT_FALSE(schedule.isSilent(0, -1.0));
    EXPECT_FALSE(schedule.fallsSilent(99));
}

} // namespace
