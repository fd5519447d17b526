#include "platform/Calendar.h"

#include "tests/support/ZoneGuard.h"

#include <gtest/gtest.h>

#include <vector>

// Local seconds in the zone, the derived fields filled, out-of-range fields normalised; a
// second before 1970 is no failure.
TEST(Calendar, ConvertsInTheLocalZone) {
    const struct {
        const char* zone;
        std::vector<int> in; // year, mon, mday, hour, min, sec as written
        int64_t seconds;
        std::vector<int> out; // year, mon, mday, sec, wday, yday, isdst after
    } cases[] = {
        {"UTC", {2004, 6, 15, 12, 34, 56}, 1087302896, {104, 5, 15, 56, 2, 166, 0}},
        {"UTC", {2004, 12, 31, 23, 59, 60}, 1104537600, {105, 0, 1, 0, 6, 0, 0}},
        {"America/Los_Angeles", {2004, 6, 15, 12, 34, 56}, 1087328096, {104, 5, 15, 56, 2, 166, 1}},
        {"UTC", {1969, 12, 31, 23, 59, 59}, -1, {69, 11, 31, 59, 3, 364, 0}},
    };
    for (const auto& c : cases) {
        testsupport::ZoneGuard zone(c.zone);
        platform::Calendar o;
        o.year = c.in[0] - 1900, o.mon = c.in[1] - 1, o.mday = c.in[2];
        o.hour = c.in[3], o.min = c.in[4], o.sec = c.in[5], o.isdst = -1;
        int64_t seconds = 0;
        ASSERT_TRUE(o.toLocalSeconds(seconds));
        EXPECT_EQ(seconds, c.seconds);
        EXPECT_EQ(std::vector<int>({o.year, o.mon, o.mday, o.sec, o.wday, o.yday, o.isdst}), c.out);
    }
}
