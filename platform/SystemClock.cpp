#include "platform/SystemClock.h"

#include <chrono>
#include <ctime>

namespace platform {

int64_t SystemClock::counter() {
    return std::chrono::steady_clock::now().time_since_epoch().count();
}

int64_t SystemClock::frequency() {
    using Period = std::chrono::steady_clock::period;
    return Period::den / Period::num;
}

TimeStamp SystemClock::timeStamp() {
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);

    // The zone words come from a local-time conversion, which costs far more
    // than reading the clock; every report is stamped, so the words are kept
    // for the second they were worked out for.
    thread_local time_t zoneSecond = -1;
    thread_local int16_t zoneMinutesWest = 0;
    thread_local int16_t zoneDst = 0;
    if (ts.tv_sec != zoneSecond) {
        std::tm local{};
        time_t seconds = ts.tv_sec;
        localtime_r(&seconds, &local);
        zoneSecond = ts.tv_sec;
        zoneMinutesWest = static_cast<int16_t>(-local.tm_gmtoff / 60);
        zoneDst = static_cast<int16_t>(local.tm_isdst > 0 ? 1 : 0);
    }

    TimeStamp stamp;
    stamp.time = static_cast<int32_t>(ts.tv_sec);
    stamp.millitm = static_cast<uint16_t>(ts.tv_nsec / 1000000);
    stamp.timezone = zoneMinutesWest;
    stamp.dstflag = zoneDst;
    return stamp;
}

} // namespace platform
