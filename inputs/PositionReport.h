#pragma once

#include "platform/Calendar.h"
#include "platform/TimeStamp.h"

#include <cstddef>
#include <cstdint>

namespace nodes {
class NodeTable;
}

namespace inputs {

// What one position datagram says: the node, its two comments, where it was
// and when. Filled by PacketParser; the comment pointers point into the
// datagram's text and are valid while that text is.
class PositionReport {
public:
    static constexpr size_t kTimeTextSize = 128;

    // Moves the node's record: the report is applied when the table knows the
    // node (multicast input never adds records) and the report is not older
    // than the record's last one; only then are the comments replaced.
    // Returns whether the record took the report. Main thread.
    bool applyTo(nodes::NodeTable& table) const;

    // Whether the coordinates are a place on earth: latitude within 90 and
    // longitude within 180 degrees either way. Anything else (a latitude of
    // 1e200 is still decimal text) is no position, and would not even fit a
    // line of a state file.
    static bool onEarth(double latitude, double longitude);

    int32_t id = 0;
    const char* comment1 = nullptr;
    const char* comment2 = nullptr;
    double latitude = 0.0;
    double longitude = 0.0;
    platform::TimeStamp reportTime;
    platform::Calendar calendar;
    char timeText[kTimeTextSize] = {};
};

} // namespace inputs
