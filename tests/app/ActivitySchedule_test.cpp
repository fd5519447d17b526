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

TEST_F(ActivityScheduleTest, StartsWithOneSecondPeriodsRunNow) {
    ActivitySchedule schedule;
    EXPECT_EQ(schedule.frequency(), 1000000);
    for (int slot = 0; slot < ActivitySchedule::kSlotCount; ++slot) {
        EXPECT_EQ(schedule.lastRun(slot), 1000000);
        EXPECT_EQ(schedule.period(slot), 1000000);
    }
}

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

TEST_F(ActivityScheduleTest, SlotsOutsideTheTableAreOff) {
    ActivitySchedule schedule;
    clock.advanceCounter(100000000);
    schedule.sampleClock();
    EXPECT_FALSE(schedule.isDue(-1));
    EXPECT_FALSE(schedule.isDue(7));
    EXPECT_EQ(schedule.period(7), 0);
    EXPECT_EQ(schedule.timeUntilDue(9), 0.0);
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

TEST_F(ActivityScheduleTest, PeriodChangeKeepsLastRun) {
    ActivitySchedule schedule;
    clock.advanceCounter(300000);
    schedule.sampleClock();
    schedule.markRun(ActivitySchedule::kLocalSnapshot);
    schedule.setPeriodSeconds(ActivitySchedule::kLocalSnapshot, RateTable::fast().seconds(0));
    EXPECT_EQ(schedule.period(ActivitySchedule::kLocalSnapshot), 200000);
    EXPECT_EQ(schedule.lastRun(ActivitySchedule::kLocalSnapshot), 1300000);
    schedule.setPeriodSeconds(ActivitySchedule::kLocalSnapshot, -1.0); // refused
    EXPECT_EQ(schedule.period(ActivitySchedule::kLocalSnapshot), 200000);
}

TEST(RateTable, RowsAndLookups) {
    struct Case {
        const RateTable* table;
        int row;
        double seconds;
        const char* label;
    };
    const Case cases[] = {
        {&RateTable::frames(), 0, 1.0 / 60.0, "60 fps"}, {&RateTable::frames(), 4, 0.1, "10 fps"},
        {&RateTable::frames(), 7, 2.0, "2 spf"},         {&RateTable::frames(), 11, 30.0, "30 spf"},
        {&RateTable::fast(), 0, 0.2, "5 pps"},           {&RateTable::fast(), 2, 1.0, "1 pps"},
        {&RateTable::fast(), 3, 2.0, "2 spp"},           {&RateTable::slow(), 3, 10.0, "10 spp"},
        {&RateTable::slow(), 7, 60.0, "60 spp"},         {&RateTable::slow(), 6, 45.0, "45 spp"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        EXPECT_DOUBLE_EQ(c.table->seconds(c.row), c.seconds);
        EXPECT_STREQ(c.table->label(static_cast<size_t>(c.row)), c.label);
    }
    EXPECT_EQ(RateTable::frames().size(), 12u);
    EXPECT_EQ(RateTable::fast().size(), 4u);
    EXPECT_EQ(RateTable::slow().size(), 8u);
    for (const int outside : {-1, 12, 100}) {
        EXPECT_DOUBLE_EQ(RateTable::frames().seconds(outside), 1.0);
    }
    EXPECT_DOUBLE_EQ(RateTable::fast().seconds(4), 1.0);
    EXPECT_DOUBLE_EQ(RateTable::slow().seconds(8), 1.0);
}

} // namespace
