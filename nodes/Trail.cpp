#include "nodes/Trail.h"

#include <algorithm>

namespace nodes {

int64_t Trail::spacingMs(int64_t spanMs) {
    // Rounded up, so that the kCapacity - 1 gaps between the points reach a whole span; never
    // 0, so a point with the time of the newest one (a relay polling the same snapshot again)
    // adds nothing.
    const int64_t gaps = static_cast<int64_t>(kCapacity - 1);
    return std::max<int64_t>(1, (spanMs + gaps - 1) / gaps);
}

bool Trail::add(int64_t timeMs, double latitude, double longitude, int64_t spanMs) {
    if (count_ > 0) {
        const int64_t newestMs = fromNewest(0).timeMs;
        if (timeMs < newestMs) {
            clear();
        } else if (timeMs - newestMs < spacingMs(spanMs)) {
            return false;
        }
    }
    if (!ring_) {
        ring_ = std::make_unique<Ring>();
    }
    newest_ = count_ == 0 ? 0 : (newest_ + 1) % kCapacity;
    (*ring_)[newest_] = Point{timeMs, latitude, longitude};
    count_ = std::min(count_ + 1, kCapacity);
    return true;
}

const Trail::Point& Trail::fromNewest(size_t i) const {
    return (*ring_)[(newest_ + kCapacity - i % kCapacity) % kCapacity];
}

} // namespace nodes
