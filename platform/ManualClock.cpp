#include "platform/ManualClock.h"

namespace platform {

ManualClock::ManualClock(int64_t frequency) : frequency_(frequency > 0 ? frequency : 1) {}

int64_t ManualClock::counter() {
    return counter_.load();
}

int64_t ManualClock::frequency() {
    return frequency_;
}

TimeStamp ManualClock::timeStamp() {
    const int64_t ms = wallMs_.load();
    TimeStamp stamp;
    stamp.time = static_cast<int32_t>(ms / 1000);
    stamp.millitm = static_cast<uint16_t>(ms % 1000);
    return stamp;
}

void ManualClock::setCounter(int64_t ticks) {
    counter_.store(ticks);
}

void ManualClock::advanceCounter(int64_t ticks) {
    counter_.fetch_add(ticks);
}

void ManualClock::setTime(int32_t seconds, uint16_t milliseconds) {
    wallMs_.store(static_cast<int64_t>(seconds) * 1000 + milliseconds % 1000);
}

void ManualClock::advanceMs(int64_t milliseconds) {
    wallMs_.fetch_add(milliseconds);
    counter_.fetch_add(milliseconds * frequency_ / 1000);
}

} // namespace platform
