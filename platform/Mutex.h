#pragma once

#include <mutex>

namespace platform {

// A lock taken and released by the same thread, usable with std::lock_guard.
// Not re-entrant: a thread that holds it must not take it again.
class Mutex {
public:
    Mutex() = default;
    Mutex(const Mutex&) = delete;
    Mutex& operator=(const Mutex&) = delete;

    void lock();
    void unlock();
    bool try_lock();

private:
    std::mutex mutex_;
};

} // namespace platform
