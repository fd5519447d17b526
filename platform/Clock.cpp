#include "platform/Clock.h"

#include "platform/SystemClock.h"

#include <atomic>

namespace platform {
namespace {

SystemClock systemClock;
std::atomic<ClockSource*> installed{nullptr};

} // namespace

ClockSource& Clock::source() {
    ClockSource* s = installed.load(std::memory_order_acquire);
    return s ? *s : systemClock;
}

int64_t Clock::counter() {
    return source().counter();
}

int64_t Clock::frequency() {
    return source().frequency();
}

TimeStamp Clock::now() {
    return source().timeStamp();
}

void Clock::setSource(ClockSource* s) {
    installed.store(s, std::memory_order_release);
}

} // namespace platform
