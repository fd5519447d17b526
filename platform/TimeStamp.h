#pragma once

#include <cstdint>

namespace platform {

// The millisecond clock's time stamp. Report times, receipt times and frame
// times all use it. The zone and daylight words are filled from the local
// zone and carried along, but nothing reads them.
struct TimeStamp {
    int32_t time = 0;     // seconds since 1970-01-01 00:00 UTC
    uint16_t millitm = 0; // 0 to 999
    int16_t timezone = 0; // minutes west of UTC
    int16_t dstflag = 0;

    // Milliseconds since 1970, for comparing and subtracting stamps.
    int64_t milliseconds() const { return static_cast<int64_t>(time) * 1000 + millitm; }
};

} // namespace platform
