#pragma once

#include <cstdint>

namespace platform {

// A broken-down calendar time, field for field the C runtime's struct tm:
// seconds, minutes, hours, day of month, months since January, years since
// 1900, day of week, day of year, daylight flag (-1 unknown).
struct Calendar {
    int32_t sec = 0;
    int32_t min = 0;
    int32_t hour = 0;
    int32_t mday = 0;
    int32_t mon = 0;
    int32_t year = 0;
    int32_t wday = 0;
    int32_t yday = 0;
    int32_t isdst = 0;

    // Converts the calendar, read as local time in the zone TZ names, to
    // seconds since 1970 UTC with mktime, which also normalises the fields and
    // fills day of week, day of year and the daylight flag. Returns false when
    // the time cannot be represented (seconds is then -1). Any thread.
    bool toLocalSeconds(int64_t& seconds);
};

} // namespace platform
