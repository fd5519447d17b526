#include "inputs/PacketQueue.h"

#include <algorithm>
#include <cstring>

namespace inputs {

PacketQueue::PacketQueue(int32_t slotSize, int32_t capacity)
    : slotSize_(std::max<int32_t>(slotSize, 1)), capacity_(std::max<int32_t>(capacity, 1)),
      storage_(static_cast<size_t>(slotSize_) * static_cast<size_t>(capacity_), '\0') {}

bool PacketQueue::push(const char* text, size_t length) {
    if (count_ >= capacity_) {
        return false;
    }
    char* slot = storage_.data() + static_cast<size_t>(count_) * static_cast<size_t>(slotSize_);
    const size_t kept = std::min(length, static_cast<size_t>(slotSize_ - 1));
    std::memcpy(slot, text, kept);
    slot[kept] = '\0';
    ++count_;
    return true;
}

char* PacketQueue::pop() {
    if (readPosition_ >= count_) {
        return nullptr;
    }
    char* slot =
        storage_.data() + static_cast<size_t>(readPosition_) * static_cast<size_t>(slotSize_);
    ++readPosition_;
    return slot;
}

} // namespace inputs
