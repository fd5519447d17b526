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
    std::tm local{};
    time_t seconds = ts.tv_sec;
    localtime_r(&seconds, &local);

    TimeStamp stamp;
    stamp.time = static_cast<int32_t>(ts.tv_sec);
    stamp.millitm = static_cast<uint16_t>(ts.tv_nsec / 1000000);
    stamp.timezone = static_cast<int16_t>(-local.tm_gmtoff / 60);
    stamp.dstflag = static_cast<int16_t>(local.tm_isdst > 0 ? 1 : 0);
    return stamp;
}

} // namespace platform
