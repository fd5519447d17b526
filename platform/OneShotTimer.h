#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>

namespace platform {

// A one-shot timer: arm it with a delay and it calls its callback once, on the
// timer's own thread, after the delay. The callback may arm the timer again,
// which is how a poll repeats. At most one arming is pending: arming again
// replaces the pending one.
//
// cancel() ends the timer for good: it drops a pending arming, waits for a
// callback in progress to return, joins the thread, and refuses every later
// arm(). Called from inside the callback it only drops and refuses; the owner
// joins later from another thread (the destructor does it too).
//
// arm, disarm, isPending and cancel may be called from any thread.
class OneShotTimer {
public:
    using Callback = std::function<void()>;

    OneShotTimer() = default;
    ~OneShotTimer();
    OneShotTimer(const OneShotTimer&) = delete;
    OneShotTimer& operator=(const OneShotTimer&) = delete;

    // Returns the arming's identifier (never 0), or 0 when the timer was
    // cancelled, the delay is negative or the callback is empty.
    uint32_t arm(int64_t delayMs, Callback callback);
    // Drops a pending arming; a callback already running goes on.
    void disarm();
    bool isPending();
    void cancel();

private:
    void threadMain();
    void startThreadLocked();

    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable idle_;
    std::thread thread_;
    Callback pending_;
    std::chrono::steady_clock::time_point due_;
    uint32_t lastId_ = 0;
    bool armed_ = false;
    bool running_ = false;
    bool cancelled_ = false;
};

} // namespace platform
