#include "platform/Clock.h"
#include "platform/ManualClock.h"

#include <gtest/gtest.h>

#include <ctime>

namespace {

TEST(Clock, SystemClockIsSane) {
    platform::Clock::setSource(nullptr);
    EXPECT_GE(platform::Clock::frequency(), 1000);
    const int64_t a = platform::Clock::counter();
    const int64_t b = platform::Clock::counter();
    EXPECT_LE(a, b);
    const platform::TimeStamp now = platform::Clock::now();
    EXPECT_LT(now.millitm, 1000);
    EXPECT_NEAR(static_cast<double>(now.time), static_cast<double>(std::time(nullptr)), 2.0);
}

TEST(Clock, SeamInstallsAndRestoresAManualClock) {
    platform::ManualClock manual(1000);
    manual.setCounter(42);
    manual.setTime(1000, 250);
    platform::Clock::setSource(&manual);
    EXPECT_EQ(platform::Clock::counter(), 42);
    EXPECT_EQ(platform::Clock::frequency(), 1000);
    EXPECT_EQ(platform::Clock::now().time, 1000);
    EXPECT_EQ(platform::Clock::now().millitm, 250);
    platform::Clock::setSource(nullptr);
    EXPECT_NE(platform::Clock::now().time, 1000);
}

} // namespace
