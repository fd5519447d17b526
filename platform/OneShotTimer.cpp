#include "platform/OneShotTimer.h"

namespace platform {

OneShotTimer::~OneShotTimer() {
    cancel();
}

uint32_t OneShotTimer::arm(int64_t delayMs, Callback callback) {
    if (delayMs < 0 || !callback) {
        return 0;
    }
    std::lock_guard<std::mutex> guard(mutex_);
    if (cancelled_) {
        return 0;
    }
    startThreadLocked();
    pending_ = std::move(callback);
    due_ = std::chrono::steady_clock::now() + std::chrono::milliseconds(delayMs);
    armed_ = true;
    if (++lastId_ == 0) {
        lastId_ = 1;
    }
    wake_.notify_all();
    return lastId_;
}

void OneShotTimer::disarm() {
    std::lock_guard<std::mutex> guard(mutex_);
    armed_ = false;
    pending_ = nullptr;
}

bool OneShotTimer::isPending() {
    std::lock_guard<std::mutex> guard(mutex_);
    return armed_;
}

void OneShotTimer::cancel() {
    std::unique_lock<std::mutex> lock(mutex_);
    cancelled_ = true;
    armed_ = false;
    pending_ = nullptr;
    wake_.notify_all();
    if (!thread_.joinable() || thread_.get_id() == std::this_thread::get_id()) {
        return;
    }
    idle_.wait(lock, [this] { return !running_; });
    std::thread worker = std::move(thread_);
    lock.unlock();
    worker.join();
}

void OneShotTimer::startThreadLocked() {
    if (!thread_.joinable()) {
        thread_ = std::thread(&OneShotTimer::threadMain, this);
    }
}

void OneShotTimer::threadMain() {
    std::unique_lock<std::mutex> lock(mutex_);
    while (!cancelled_) {
        if (!armed_) {
            wake_.wait(lock);
            continue;
        }
        if (wake_.wait_until(lock, due_) != std::cv_status::timeout &&
            std::chrono::steady_clock::now() < due_) {
            continue; // woken early: re-armed, disarmed or cancelled
        }
        if (!armed_ || cancelled_) {
            continue;
        }
        Callback callback = std::move(pending_);
        pending_ = nullptr;
        armed_ = false;
        running_ = true;
        lock.unlock();
        callback();
        lock.lock();
        running_ = false;
        idle_.notify_all();
    }
}

} // namespace platform
