#include "platform/BinarySemaphore.h"

#include <chrono>
#include <mutex>

namespace platform {

BinarySemaphore::BinarySemaphore(bool available) : semaphore_(available ? 1 : 0) {}

void BinarySemaphore::acquire() {
    semaphore_.acquire();
}

bool BinarySemaphore::tryAcquireFor(int milliseconds) {
    return semaphore_.try_acquire_for(
        std::chrono::milliseconds(milliseconds < 0 ? 0 : milliseconds));
}

void BinarySemaphore::release() {
    // A count above the maximum of 1 is undefined for std::binary_semaphore,
    // so a release of a free semaphore is dropped, as the system semaphore of
    // maximum 1 refuses it.
    std::lock_guard<std::mutex> guard(releaseGuard_);
    if (semaphore_.try_acquire()) {
        semaphore_.release();
        return;
    }
    semaphore_.release();
}

} // namespace platform
