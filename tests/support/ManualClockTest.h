#pragma once

#include "platform/Clock.h"
#include "platform/ManualClock.h"

#include <gtest/gtest.h>

namespace testsupport {

// Installs a manual clock for the length of a test and restores the real one.
class ManualClockTest : public ::testing::Test {
protected:
    void SetUp() override {
        clock.setTime(1700000000, 0);
        platform::Clock::setSource(&clock);
    }
    void TearDown() override { platform::Clock::setSource(nullptr); }

    platform::ManualClock clock;
};

} // namespace testsupport
