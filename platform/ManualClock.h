#pragma once

#include "platform/ClockSource.h"

#include <atomic>
#include <cstdint>

namespace platform {

// A clock that moves only when told to. Tests install it through Clock's seam
// to check idle limits, due times and pulse phases exactly, without sleeping.
// Setters and readers may run on different threads.
class ManualClock final : public ClockSource {
public:
    explicit ManualClock(int64_t frequency = 1000000);

    int64_t counter() override;
    int64_t frequency() override;
    TimeStamp timeStamp() override;

    void setCounter(int64_t ticks);
    void advanceCounter(int64_t ticks);
    void setTime(int32_t seconds, uint16_t milliseconds);
    // Moves both clocks together by a number of milliseconds.
    void advanceMs(int64_t milliseconds);

private:
    const int64_t frequency_;
    std::atomic<int64_t> counter_{0};
    std::atomic<int64_t> wallMs_{0};
};

} // namespace platform
