#include "platform/Calendar.h"

#include <ctime>

namespace platform {

bool Calendar::toLocalSeconds(int64_t& seconds) {
    std::tm t{};
    t.tm_sec = sec;
    t.tm_min = min;
    t.tm_hour = hour;
    t.tm_mday = mday;
    t.tm_mon = mon;
    t.tm_year = year;
    t.tm_isdst = isdst;
    // mktime ignores the day of week on input and fills it on success; -1 is
    // also a valid result (one second before 1970), so the day tells them apart.
    t.tm_wday = -1;

    const time_t result = mktime(&t);
    if (result == static_cast<time_t>(-1) && t.tm_wday == -1) {
        seconds = -1;
        return false;
    }
    sec = t.tm_sec;
    min = t.tm_min;
    hour = t.tm_hour;
    mday = t.tm_mday;
    mon = t.tm_mon;
    year = t.tm_year;
    wday = t.tm_wday;
    yday = t.tm_yday;
    isdst = t.tm_isdst;
    seconds = static_cast<int64_t>(result);
    return true;
}

} // namespace platform
