#include "platform/Clock.h"
#include "platform/ManualClock.h"

#include <gtest/gtest.h>

#include <ctime>

// The system clock by default; a manual one while installed.
TEST(Clock, SystemClockOrAnInstalledManualOne) {
    platform::ManualClock manual(1000);
    manual.setCounter(42);
    manual.setTime(1000, 250);
    for (platform::ManualClock* source : {&manual, static_cast<platform::ManualClock*>(nullptr)}) {
        platform::Clock::setSource(source);
        const platform::TimeStamp now = platform::Clock::now();
        const int64_t counter = platform::Clock::counter();
        EXPECT_EQ(counter == 42 && now.time == 1000 && now.millitm == 250, source != nullptr);
        EXPECT_LE(counter, platform::Clock::counter());
        EXPECT_GE(platform::Clock::frequency(), 1000);
        EXPECT_NEAR(now.time, source ? 1000 : std::time(nullptr), 2);
    }
}
