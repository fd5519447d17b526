#pragma once

#include <cstdint>
#include <string>

// The fields of a position datagram as the display reads them, decoded by the
// tests independently of the code under test.
struct DecodedDatagram {
    int id = -1;
    std::string comment1;
    std::string comment2;
    int64_t utcMilliseconds = 0;
    double latitude = 0.0;  // degrees = floor(value / 100) + minutes / 60, signed by N/S
    double longitude = 0.0; // the same with E/W
};

// Checks a datagram against the exact form fleet-sim writes:
//   ID,C1,C2,$GPZDA,hhmmss.ss,DD,MM,YYYY,00,00*CS$GPGLL,ddmm.mmmm,N|S,dddmm.mmmm,E|W,hhmmss.ss,A,A*CS
// checksums recomputed, minutes below 60, both times equal, calendar valid.
class DatagramShape {
public:
    // Empty when the datagram is well-formed, else what is wrong with it.
    static std::string problem(const std::string& datagram);
    // Decodes a well-formed datagram; false if it is not one.
    static bool decode(const std::string& datagram, DecodedDatagram& out);
};
