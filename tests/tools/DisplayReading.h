#pragma once

#include "inputs/PacketParser.h"

#include "tests/support/ZoneGuard.h"

#include <cstdint>
#include <string>

// A fleet-sim datagram as the display reads it: its own packet parser, in UTC
// (the parser reads the calendar as local time).
struct DisplayReading {
    int id = -1;
    std::string comment1;
    std::string comment2;
    int64_t utcMilliseconds = 0;
    double latitude = 0.0;
    double longitude = 0.0;

    // False when the display would drop the datagram.
    static bool read(const std::string& datagram, DisplayReading& out) {
        testsupport::ZoneGuard zone("UTC");
        std::string copy = datagram;
        inputs::PositionReport report;
        if (!inputs::PacketParser::parse(copy.data(), report)) {
            return false;
        }
        out.id = report.id;
        out.comment1 = report.comment1;
        out.comment2 = report.comment2;
        out.utcMilliseconds = int64_t{report.reportTime.time} * 1000 + report.reportTime.millitm;
        out.latitude = report.latitude;
        out.longitude = report.longitude;
        return true;
    }
};
