#pragma once

#include "inputs/PacketParser.h"
#include "tests/support/ZoneGuard.h"

#include <string>

// A fleet-sim datagram read by the display's own packet parser, in UTC (it reads local time),
// cut to `keep` bytes and at a zero byte as the receive buffer cuts it. False when dropped.
struct DisplayReading {
    inputs::PositionReport report;
    std::string comment1, comment2;
    int64_t utcMilliseconds = 0;

    bool read(const std::string& datagram, size_t keep = 65535) {
        testsupport::ZoneGuard zone("UTC");
        std::string text = datagram.substr(0, keep).c_str();
        if (!inputs::PacketParser::parse(text.data(), report)) {
            return false;
        }
        comment1 = report.comment1;
        comment2 = report.comment2;
        utcMilliseconds = int64_t{report.reportTime.time} * 1000 + report.reportTime.millitm;
        return true;
    }
};
