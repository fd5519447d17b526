#pragma once

#include "platform/TimeStamp.h"

#include <cstdint>

namespace platform {

// Where the program's two clocks come from: the high-resolution counter that
// drives the activity schedule and the icon pulse, and the wall clock in
// milliseconds that stamps reports. Implementations must be callable from any
// thread.
class ClockSource {
public:
    virtual ~ClockSource() = default;
    virtual int64_t counter() = 0;
    virtual int64_t frequency() = 0;
    virtual TimeStamp timeStamp() = 0;
};

} // namespace platform
