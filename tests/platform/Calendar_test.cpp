#include "platform/Calendar.h"

#include "tests/support/ZoneGuard.h"

#include <gtest/gtest.h>

namespace {

using platform::Calendar;

using testsupport::ZoneGuard;

Calendar make(int year, int month, int day, int hour, int minute, int second) {
    Calendar c;
    c.year = year - 1900;
    c.mon = month - 1;
    c.mday = day;
    c.hour = hour;
    c.min = minute;
    c.sec = second;
    c.isdst = -1;
    return c;
}

TEST(Calendar, ConvertsAndFillsTheDerivedFields) {
    ZoneGuard zone("UTC");
    Calendar c = make(2004, 6, 15, 12, 34, 56);
    int64_t seconds = 0;
    ASSERT_TRUE(c.toLocalSeconds(seconds));
    EXPECT_EQ(seconds, 1087302896);
    EXPECT_EQ(c.wday, 2); // a Tuesday
    EXPECT_EQ(c.yday, 166);
    EXPECT_EQ(c.isdst, 0);
}

TEST(Calendar, NormalisesOutOfRangeFields) {
    ZoneGuard zone("UTC");
    Calendar c = make(2004, 12, 31, 23, 59, 60);
    int64_t seconds = 0;
    ASSERT_TRUE(c.toLocalSeconds(seconds));
    EXPECT_EQ(c.year, 105);
    EXPECT_EQ(c.mon, 0);
    EXPECT_EQ(c.mday, 1);
    EXPECT_EQ(c.sec, 0);
}

TEST(Calendar, HonoursTheLocalZone) {
    ZoneGuard zone("America/Los_Angeles");
    Calendar summer = make(2004, 6, 15, 12, 34, 56);
    int64_t seconds = 0;
    ASSERT_TRUE(summer.toLocalSeconds(seconds));
    EXPECT_EQ(seconds, 1087302896 + 7 * 3600);
    EXPECT_EQ(summer.isdst, 1);
}

TEST(Calendar, OneSecondBefore1970IsNotAFailure) {
    ZoneGuard zone("UTC");
    Calendar c = make(1969, 12, 31, 23, 59, 59);
    int64_t seconds = 0;
    EXPECT_TRUE(c.toLocalSeconds(seconds));
    EXPECT_EQ(seconds, -1);
}

} // namespace
