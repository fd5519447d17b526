#include "app/ActivitySchedule.h"
#include "app/RateTable.h"

#include "tests/support/ManualClockTest.h"

#include <gtest/gtest.h>

namespace {

using app::ActivitySchedule;
using app::RateTable;
constexpr int kFrame = ActivitySchedule::kFrame;
constexpr int kSnapshot = ActivitySchedule::kLocalSnapshot;
using ActivityScheduleTest = testsupport::ManualClockTest;

// A slot is due one tick after its period has passed, not at it; a period change keeps the
// last run; slots outside the table and rows outside a rate table are off.
TEST_F(ActivityScheduleTest, DueAndWait) {
    clock.setCounter(1000000);
    ActivitySchedule schedule;
    std::array<bool, ActivitySchedule::kSlotCount> on{};
    EXPECT_LT(schedule.waitSeconds(on), 0.0); // nothing timed: block
    on[kFrame] = true;
    schedule.setPeriodSeconds(kFrame, RateTable::frames().seconds(7)); // 2 spf: the longest wait
    EXPECT_DOUBLE_EQ(schedule.waitSeconds(on), ActivitySchedule::kLongestWait);
    schedule.setPeriodSeconds(kFrame, 0.5);
    for (const auto& [ticks, due, until] : {std::tuple{500000, false, 0.0}, {1, true, 0.0}}) {
        clock.advanceCounter(ticks);
        schedule.sampleClock();
        EXPECT_EQ(schedule.isDue(kFrame), due);
        EXPECT_DOUBLE_EQ(schedule.timeUntilDue(kFrame), until);
    }
    schedule.markRun(kFrame);
    EXPECT_FALSE(schedule.isDue(kFrame));
    EXPECT_DOUBLE_EQ(schedule.timeUntilDue(kFrame), 0.5);
    schedule.setPeriodSeconds(kFrame, RateTable::frames().seconds(0));
    EXPECT_NEAR(schedule.waitSeconds(on), 1.0 / 60.0, 1e-6);

    on[kSnapshot] = true;
    schedule.markRun(kSnapshot);
    schedule.setPeriodSeconds(kSnapshot, RateTable::fast().seconds(0));
    schedule.setPeriodSeconds(kSnapshot, -1.0); // refused
    EXPECT_EQ(schedule.period(kSnapshot), 200000);
    EXPECT_EQ(schedule.lastRun(kSnapshot), 1500001);
    schedule.setPeriodSeconds(kSnapshot, 0.002);
    EXPECT_NEAR(schedule.waitSeconds(on), 0.002, 1e-9);
    clock.advanceCounter(100000000);
    schedule.sampleClock();
    EXPECT_DOUBLE_EQ(schedule.waitSeconds(on), 0.0);
    EXPECT_FALSE(schedule.isDue(-1) || schedule.isDue(7));
    EXPECT_EQ(schedule.period(7), 0);
    EXPECT_EQ(schedule.timeUntilDue(9), 0.0);
    for (const RateTable* table : {&RateTable::frames(), &RateTable::fast(), &RateTable::slow()}) {
        EXPECT_DOUBLE_EQ(table->seconds(-1), 1.0);
        EXPECT_DOUBLE_EQ(table->seconds(static_cast<int>(table->size())), 1.0);
    }
}

} // namespace
