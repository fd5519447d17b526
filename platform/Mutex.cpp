#include "platform/Mutex.h"

namespace platform {

void Mutex::lock() {
    mutex_.lock();
}

void Mutex::unlock() {
    mutex_.unlock();
}

bool Mutex::try_lock() {
    return mutex_.try_lock();
}

} // namespace platform
