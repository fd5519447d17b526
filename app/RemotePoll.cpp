#include "app/RemotePoll.h"

#include "platform/Clock.h"

namespace app {

RemotePoll::RemotePoll(int64_t frequency, int64_t lastRun, std::function<void()> wake)
    : frequency_(frequency > 0 ? frequency : 1), wake_(std::move(wake)), lastRun_(lastRun) {
    settings_.periodTicks = frequency_;
}

RemotePoll::~RemotePoll() {
    stop();
}

void RemotePoll::publish(const Settings& settings) {
    std::lock_guard<std::mutex> lock(mutex_);
    settings_ = settings;
}

void RemotePoll::setFetchTimeouts(int connectMs, int receiveMs, int deadlineMs) {
    fetch_.setTimeouts(connectMs, receiveMs, deadlineMs);
}

uint32_t RemotePoll::arm() {
    int64_t delay = 0;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        delay = settings_.periodTicks * 1000 / frequency_;
        delayMs_ = delay;
    }
    const uint32_t id = timer_.arm(delay, [this] { poll(); });
    std::lock_guard<std::mutex> lock(mutex_);
    timerId_ = id;
    return id;
}

int64_t RemotePoll::delayMs() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return delayMs_;
}

uint32_t RemotePoll::timerId() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return timerId_;
}

int64_t RemotePoll::lastRun() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return lastRun_;
}

std::vector<RemotePoll::Result> RemotePoll::takeResults() {
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<Result> taken;
    taken.swap(results_);
    return taken;
}

void RemotePoll::poll() {
    Settings settings;
    int64_t due = 0;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        settings = settings_;
        due = lastRun_ + settings_.periodTicks;
    }
    // The switch and the period are read afresh at every firing, so turning
    // the remote input on needs no restart.
    if (settings.enabled && platform::Clock::counter() > due) {
        Result result;
        result.connected = fetch_.fetch(settings.host, settings.port, settings.path, result.lines);
        {
            std::lock_guard<std::mutex> lock(mutex_);
            lastRun_ = platform::Clock::counter();
            results_.push_back(std::move(result));
        }
        if (wake_) {
            wake_();
        }
    }
    arm();
}

void RemotePoll::stop() {
    fetch_.cancel();
    timer_.cancel();
}

} // namespace app
