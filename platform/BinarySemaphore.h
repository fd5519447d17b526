#pragma once

#include <mutex>
#include <semaphore>

namespace platform {

// A semaphore of count 0 or 1, for a lock that one thread takes and another
// releases (a listener hands a connection to a client thread). Any thread.
class BinarySemaphore {
public:
    explicit BinarySemaphore(bool available = true);
    BinarySemaphore(const BinarySemaphore&) = delete;
    BinarySemaphore& operator=(const BinarySemaphore&) = delete;

    void acquire();
    // Waits at most the given milliseconds; true when the semaphore was taken.
    bool tryAcquireFor(int milliseconds);
    // Releasing an available semaphore leaves it available (the count stays 1).
    void release();

private:
    std::binary_semaphore semaphore_;
    std::mutex releaseGuard_;
};

} // namespace platform
