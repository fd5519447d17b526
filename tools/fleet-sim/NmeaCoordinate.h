#pragma once

#include <string>

namespace fleetsim {

// Decimal degrees to the NMEA degree-minute form of a GLL sentence: the value
// is degrees * 100 + minutes, written as a positive number with the
// hemisphere letter carrying the sign ("4916.4500", 'N'). Minutes have four
// decimals (about 0.2 m) and are rounded as a whole with the degrees, so a
// value just below a whole degree gives the next degree with 00.0000 minutes,
// never 60.0000. Pure functions; any thread.
class NmeaCoordinate {
public:
    struct Text {
        std::string value; // ddmm.mmmm or dddmm.mmmm
        char hemisphere;   // N/S or E/W
    };

    // Latitudes beyond +/-90 are clamped; a non-finite value gives 0.
    static Text latitude(double degrees);
    // Longitudes beyond +/-180 are clamped; a non-finite value gives 0.
    static Text longitude(double degrees);
};

} // namespace fleetsim
