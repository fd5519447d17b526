#include "platform/Calendar.h"

#include "tests/support/ZoneGuard.h"

#include <gtest/gtest.h>

#include <vector>

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

// Local seconds in the zone, the derived fields filled, out-of-range fields
// normalised; a second before 1970 is no failure.
TEST(Calendar, ConvertsInTheLocalZone) {
    const struct {
        const char* zone;
        Calendar in;
        int64_t seconds;
        std::vector<int> fields; // year, mon, mday, sec, wday, yday, isdst after
    } cases[] = {
        {"UTC", make(2004, 6, 15, 12, 34, 56), 1087302896, {104, 5, 15, 56, 2, 166, 0}},
        {"UTC", make(2004, 12, 31, 23, 59, 60), 1104537600, {105, 0, 1, 0, 6, 0, 0}},
        {"America/Los_Angeles",
         make(2004, 6, 15, 12, 34, 56),
         1087302896 + 7 * 3600,
         {104, 5, 15, 56, 2, 166, 1}},
        {"UTC", make(1969, 12, 31, 23, 59, 59), -1, {69, 11, 31, 59, 3, 364, 0}},
    };
    for (auto c : cases) {
        SCOPED_TRACE(c.seconds);
        ZoneGuard zone(c.zone);
        int64_t seconds = 0;
        ASSERT_TRUE(c.in.toLocalSeconds(seconds));
        EXPECT_EQ(seconds, c.seconds);
        const Calendar& o = c.in;
        EXPECT_EQ(std::vector<int>({o.year, o.mon, o.mday, o.sec, o.wday, o.yday, o.isdst}),
                  c.fields);
    }
}

} // namespace
