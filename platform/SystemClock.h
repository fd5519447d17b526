#pragma once

#include "platform/ClockSource.h"

namespace platform {

// The real clocks: steady_clock ticks for the counter, CLOCK_REALTIME for the
// time stamp. Stateless; any thread.
class SystemClock final : public ClockSource {
public:
    int64_t counter() override;
    int64_t frequency() override;
    TimeStamp timeStamp() override;
};

} // namespace platform
