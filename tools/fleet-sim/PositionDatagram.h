#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace fleetsim {

// One position report as the display receives it: the vehicle, its two
// comment texts, the UTC time of the fix and the position.
struct PositionReport {
    int32_t id = 0;
    std::string_view comment1;
    std::string_view comment2;
    int64_t utcMilliseconds = 0; // since 1970-01-01 00:00 UTC
    double latitude = 0.0;       // decimal degrees, north positive
    double longitude = 0.0;      // decimal degrees, east positive
};

// Writes the datagram of a position report:
//   12,Convoy A,Leg
//   2,$GPZDA,123456.78,15,06,2004,00,00*4B$GPGLL,4916.4500,N,12311.1200,W,123456.78,A,A*2C
// the identifier, two comments, a ZDA sentence with the UTC date and time
// (zone 00,00) and a GLL sentence with the position, the same time, status A
// (valid) and mode A (autonomous). Times are written in hundredths of a second,
// cut rather than rounded so a time never moves into the next second (or day).
// Pure functions; any thread.
class PositionDatagram {
public:
    // The comments are split on commas by the receiver, so a comment must hold
    // none: commas become ';' and control characters blanks, and the text is
    // cut to kMaxCommentChars so that a whole datagram stays well inside the
    // receiver's default 250-byte buffer.
    static constexpr size_t kMaxCommentChars = 63;
    static std::string cleanComment(std::string_view text);

    // The comments are written as given: clean them first.
    static std::string format(const PositionReport& report);

    // The two upper-case hexadecimal digits of the exclusive or of the
    // sentence body (the characters between "$" and "*").
    static std::string checksum(std::string_view body);

    // "GPZDA,hhmmss.ss,DD,MM,YYYY,00,00" and
    // "GPGLL,ddmm.mmmm,N,dddmm.mmmm,W,hhmmss.ss,A,A": bodies without "$" and "*".
    static std::string zdaBody(int64_t utcMilliseconds);
    static std::string gllBody(double latitude, double longitude, int64_t utcMilliseconds);
};

} // namespace fleetsim
