#include "tools/fleet-sim/NmeaCoordinate.h"

#include <algorithm>
#include <cinttypes>
#include <cmath>
#include <cstdio>

namespace fleetsim {
namespace {

// Units of 1/10000 minute: rounding once in whole units is what keeps the
// minutes below 60.
constexpr int64_t kUnitsPerMinute = 10000;
constexpr int64_t kUnitsPerDegree = 60 * kUnitsPerMinute;

NmeaCoordinate::Text format(double degrees, double limit, int degreeDigits, char positive,
                            char negative) {
    if (!std::isfinite(degrees)) {
        degrees = 0.0;
    }
    degrees = std::clamp(degrees, -limit, limit);
    const int64_t units = std::llround(std::fabs(degrees) * static_cast<double>(kUnitsPerDegree));
    const int64_t whole = units / kUnitsPerDegree;
    const int64_t minuteUnits = units % kUnitsPerDegree;
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%0*" PRId64 "%02" PRId64 ".%04" PRId64, degreeDigits,
                  whole, minuteUnits / kUnitsPerMinute, minuteUnits % kUnitsPerMinute);
    // A value that rounds to zero is written as north or east, not "-0".
    const char hemisphere = (degrees < 0.0 && units != 0) ? negative : positive;
    return {buffer, hemisphere};
}

} // namespace

NmeaCoordinate::Text NmeaCoordinate::latitude(double degrees) {
    return format(degrees, 90.0, 2, 'N', 'S');
}

NmeaCoordinate::Text NmeaCoordinate::longitude(double degrees) {
    return format(degrees, 180.0, 3, 'E', 'W');
}

} // namespace fleetsim
