#include "app/ActivitySchedule.h"

#include "platform/Clock.h"

#include <cmath>

namespace app {

ActivitySchedule::ActivitySchedule()
    : frequency_(platform::Clock::frequency()), now_(platform::Clock::counter()) {
    lastRun_.fill(now_);
    period_.fill(frequency_);
}

void ActivitySchedule::sampleClock() {
    now_ = platform::Clock::counter();
}

bool ActivitySchedule::isDue(int slot) const {
    return valid(slot) && now_ > lastRun_[slot] + period_[slot];
}

double ActivitySchedule::timeUntilDue(int slot) const {
    if (!valid(slot)) {
        return 0.0;
    }
    const int64_t left = lastRun_[slot] + period_[slot] - now_;
    return left < 0 ? 0.0 : static_cast<double>(left) / static_cast<double>(frequency_);
}

void ActivitySchedule::markRunAt(int slot, int64_t ticks) {
    if (valid(slot)) {
        lastRun_[slot] = ticks;
    }
}

int64_t ActivitySchedule::lastRun(int slot) const {
    return valid(slot) ? lastRun_[slot] : 0;
}

int64_t ActivitySchedule::period(int slot) const {
    return valid(slot) ? period_[slot] : 0;
}

void ActivitySchedule::setPeriodSeconds(int slot, double seconds) {
    if (!valid(slot) || !std::isfinite(seconds) || seconds < 0) {
        return;
    }
    period_[slot] = static_cast<int64_t>(seconds * static_cast<double>(frequency_));
}

double ActivitySchedule::waitSeconds(const std::array<bool, kSlotCount>& waitingOn) const {
    double wait = -1.0;
    for (int slot = 0; slot < kSlotCount; ++slot) {
        if (!waitingOn[slot]) {
            continue;
        }
        const double until = timeUntilDue(slot);
        if (wait < 0 || until < wait) {
            wait = until;
        }
    }
    if (wait > kLongestWait) {
        wait = kLongestWait;
    }
    return wait;
}

} // namespace app
