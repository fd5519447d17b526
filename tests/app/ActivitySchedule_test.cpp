#include "app/ActivitySchedule.h"
#include "app/RateTable.h"

#include "tests/support/ManualClockTest.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using app::ActivitySchedule;
using app::RateTable;

class ActivityScheduleTest : public testsupport::ManualClockTest {
protected:
    void SetUp() override {
        testsupport::ManualClockTest::SetUp();
        clock.setCounter(1000000);
    }
};

TEST_F(ActivityScheduleTest, EqualIsNotDueOneTickLaterIs) {
    ActivitySchedule schedule;
    schedule.setPeriodSeconds(ActivitySchedule::kFrame, 0.5);
    clock.setCounter(1000000 + 500000);
    schedule.sampleClock();
    EXPECT_FALSE(schedule.isDue(ActivitySchedule::kFrame));
    EXPECT_DOUBLE_EQ(schedule.timeUntilDue(ActivitySchedule::kFrame), 0.0);
    clock.advanceCounter(1);
    schedule.sampleClock();
    EXPECT_TRUE(schedule.isDue(ActivitySchedule::kFrame));
    EXPECT_DOUBLE_EQ(schedule.timeUntilDue(ActivitySchedule::kFrame), 0.0);
    schedule.markRun(ActivitySchedule::kFrame);
    EXPECT_FALSE(schedule.isDue(ActivitySchedule::kFrame));
    EXPECT_DOUBLE_EQ(schedule.timeUntilDue(ActivitySchedule::kFrame), 0.5);
}

TEST_F(ActivityScheduleTest, WaitRule) {
    ActivitySchedule schedule;
    std::array<bool, ActivitySchedule::kSlotCount> on{};
    EXPECT_LT(schedule.waitSeconds(on), 0.0); // nothing timed: block

    on[ActivitySchedule::kFrame] = true;
    schedule.setPeriodSeconds(ActivitySchedule::kFrame, RateTable::frames().seconds(0));
    EXPECT_NEAR(schedule.waitSeconds(on), 1.0 / 60.0, 1e-6);
    EXPECT_LE(schedule.waitSeconds(on), ActivitySchedule::kLongestWait);

    schedule.setPeriodSeconds(ActivitySchedule::kFrame, RateTable::frames().seconds(7)); // 2 spf
    EXPECT_DOUBLE_EQ(schedule.waitSeconds(on), ActivitySchedule::kLongestWait);

    on[ActivitySchedule::kLocalSnapshot] = true;
    schedule.setPeriodSeconds(ActivitySchedule::kLocalSnapshot, 0.002);
    EXPECT_NEAR(schedule.waitSeconds(on), 0.002, 1e-9);
    clock.advanceCounter(10000); // the snapshot's time has passed
    schedule.sampleClock();
    EXPECT_DOUBLE_EQ(schedule.waitSeconds(on), 0.0);
}

// A period change keeps the last run; slots outside the table and rows outside a rate table are
// off.
TEST_F(ActivityScheduleTest, PeriodChangeKeepsLastRunAndOutsideIsOff) {
    ActivitySchedule schedule;
    clock.advanceCounter(300000);
    schedule.sampleClock();
    schedule.markRun(ActivitySchedule::kLocalSnapshot);
    schedule.setPeriodSeconds(ActivitySchedule::kLocalSnapshot, RateTable::fast().seconds(0));
    EXPECT_EQ(schedule.period(ActivitySchedule::kLocalSnapshot), 200000);
    EXPECT_EQ(schedule.lastRun(ActivitySchedule::kLocalSnapshot), 1300000);
    schedule.setPeriodSeconds(ActivitySchedule::kLocalSnapshot, -1.0); // refused
    EXPECT_EQ(schedule.period(ActivitySchedule::kLocalSnapshot), 200000);

    clock.advanceCounter(100000000);
    schedule.sampleClock();
    EXPECT_FALSE(schedule.isDue(-1));
    EXPECT_FALSE(schedule.isDue(7));
    EXPECT_EQ(schedule.period(7), 0);
    EXPECT_EQ(schedule.timeUntilDue(9), 0.0);
    for (const RateTable* table : {&RateTable::frames(), &RateTable::fast(), &RateTable::slow()}) {
        EXPECT_DOUBLE_EQ(table->seconds(-1), 1.0);
        EXPECT_DOUBLE_EQ(table->seconds(static_cast<int>(table->size())), 1.0);
    }
}

} // namespace
