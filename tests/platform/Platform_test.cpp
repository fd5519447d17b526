#include "platform/Calendar.h"
#include "platform/Clock.h"
#include "platform/ManualClock.h"
#include "platform/Path.h"

#include "tests/support/ZoneGuard.h"

#include <gtest/gtest.h>

#include <ctime>
#include <vector>

// Local seconds in the zone, the derived fields filled, out-of-range fields normalised; a
// second before 1970 is no failure.
TEST(Calendar, ConvertsInTheLocalZone) {
    const struct {
        const char* zone;
        std::vector<int> in, out; // year, mon, mday, hour, min, sec; year, mon, mday, sec, wday,
        int64_t seconds;          // yday, isdst after
    } cases[] = {
        {"UTC", {2004, 6, 15, 12, 34, 56}, {104, 5, 15, 56, 2, 166, 0}, 1087302896},
        {"UTC", {2004, 12, 31, 23, 59, 60}, {105, 0, 1, 0, 6, 0, 0}, 1104537600},
        {"America/Los_Angeles", {2004, 6, 15, 12, 34, 56}, {104, 5, 15, 56, 2, 166, 1}, 1087328096},
        {"UTC", {1969, 12, 31, 23, 59, 59}, {69, 11, 31, 59, 3, 364, 0}, -1},
    };
    for (const auto& c : cases) {
        testsupport::ZoneGuard zone(c.zone);
        platform::Calendar o;
        o.year = c.in[0] - 1900, o.mon = c.in[1] - 1, o.mday = c.in[2];
        o.hour = c.in[3], o.min = c.in[4], o.sec = c.in[5], o.isdst = -1;
        int64_t seconds = 0;
        EXPECT_TRUE(o.toLocalSeconds(seconds) && seconds == c.seconds) << seconds;
        EXPECT_EQ(std::vector<int>({o.year, o.mon, o.mday, o.sec, o.wday, o.yday, o.isdst}), c.out);
    }
}

// The system clock by default; a manual one while installed.
TEST(Clock, SystemClockOrAnInstalledManualOne) {
    platform::ManualClock manual(1000);
    manual.setCounter(42);
    manual.setTime(1000, 250);
    for (platform::ManualClock* source : {&manual, static_cast<platform::ManualClock*>(nullptr)}) {
        platform::Clock::setSource(source);
        const int64_t counter = platform::Clock::counter();
        EXPECT_EQ(counter == 42 && platform::Clock::now().millitm == 250, source != nullptr);
        EXPECT_TRUE(counter <= platform::Clock::counter() && platform::Clock::frequency() >= 1000);
        EXPECT_NEAR(platform::Clock::now().time, source ? 1000 : std::time(nullptr), 2);
    }
}

TEST(Path, SplitTable) {
    const std::pair<const char*, const char*> cases[] = {{"/maps/site.cfg", "|/maps/|site|.cfg"},
                                                         {"site.cfg", "||site|.cfg"},
                                                         {"conf/site", "|conf/|site|"},
                                                         {"a.b/c.d.e", "|a.b/|c.d|.e"},
                                                         {"/maps/.hidden", "|/maps/|.hidden|"},
                                                         {"/maps/", "|/maps/||"},
                                                         {"", "|||"},
                                                         {"/root.cfg", "|/|root|.cfg"}};
    for (const auto& [path, parts] : cases) {
        const platform::Path::Parts p = platform::Path::split(path);
        EXPECT_EQ(p.drive + "|" + p.directory + "|" + p.fileName + "|" + p.extension, parts);
    }
}
