#include "app/BuildStamp.h"

#include <cstdio>
#include <cstring>

namespace app {
namespace {

const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                               "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
const char* const kWeekdays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};

// Day of the week (0 Sunday) of a Gregorian date, by Sakamoto's method.
int weekday(int year, int month, int day) {
    static const int offsets[] = {0, 3, 2, 5, 0, 3, 5, 1, 4, 6, 2, 4};
    if (month < 3) {
        year -= 1;
    }
    return (year + year / 4 - year / 100 + year / 400 + offsets[month - 1] + day) % 7;
}

} // namespace

std::string BuildStamp::format(const char* date, const char* time) {
    if (date == nullptr || time == nullptr || std::strlen(date) != 11 || std::strlen(time) != 8) {
        return {};
    }
    int month = 0;
    for (int m = 0; m < 12; ++m) {
        if (std::strncmp(date, kMonths[m], 3) == 0) {
            month = m + 1;
        }
    }
    int day = 0;
    int year = 0;
    if (month == 0 || std::sscanf(date + 4, "%2d %4d", &day, &year) != 2 || day < 1 || day > 31) {
        return {};
    }
    char text[32];
    std::snprintf(text, sizeof text, "%s %s %2d %s %d", kWeekdays[weekday(year, month, day)],
                  kMonths[month - 1], day, time, year);
    return text;
}

std::string BuildStamp::text() {
    return format(__DATE__, __TIME__);
}

} // namespace app
