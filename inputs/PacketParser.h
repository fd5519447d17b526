#pragma once

#include "inputs/PositionReport.h"

namespace inputs {

// Parses one position datagram:
//
//   12,Convoy A,Leg 2,$GPZDA,123456.78,15,06,2004,00,00*4B$GPGLL,4916.4500,N,
//   12311.1200,W,123456.78,A,A*2C
//
// the node identifier, two comments (neither may hold a comma), then a ZDA
// sentence for the time and a GLL sentence for the position, in that order.
// Works in place: separators in the text are overwritten with terminators and
// the report's comments point into it. The checksums after each "*" are not
// compared: a report whose data parses is used whatever its checksum says.
// Numbers are plain decimal only. Returns false for anything else; the report
// is then partly filled and must not be used.
//
// Pure: no I/O, no shared state; the local clock and the local calendar
// conversion are read for the report time. Any thread.
class PacketParser {
public:
    static bool parse(char* packet, PositionReport& report);

    // The two sentences on their own, "$" included and the "*" already
    // replaced by a terminator.
    static bool parseZda(const char* sentence, PositionReport& report);
    static bool parseGll(const char* sentence, PositionReport& report);
};

} // namespace inputs
