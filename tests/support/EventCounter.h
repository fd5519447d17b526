#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace testsupport {

// A count that threads raise and a test waits on with a deadline.
class EventCounter {
public:
    void add() {
        std::lock_guard<std::mutex> hold(mutex_);
        ++count_;
        changed_.notify_all();
    }
    bool waitFor(int atLeast, std::chrono::milliseconds limit) {
        std::unique_lock<std::mutex> lock(mutex_);
        return changed_.wait_for(lock, limit, [&] { return count_ >= atLeast; });
    }
    int value() {
        std::lock_guard<std::mutex> hold(mutex_);
        return count_;
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    int count_ = 0;
};

} // namespace testsupport
