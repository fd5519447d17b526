#pragma once

#include "platform/ClockSource.h"
#include "platform/TimeStamp.h"

#include <cstdint>

namespace platform {

// The one seam through which the program reads time. By default it reads the
// system clocks; a test installs a ManualClock with setSource and restores the
// default with setSource(nullptr). Readers may run on any thread; the source
// must outlive its installation.
class Clock {
public:
    static int64_t counter();
    static int64_t frequency();
    static TimeStamp now();

    static void setSource(ClockSource* source);

private:
    static ClockSource& source();
};

} // namespace platform
