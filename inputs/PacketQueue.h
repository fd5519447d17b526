#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace inputs {

// One side of a receiver's two-sided packet queue: a fixed number of slots of
// a fixed size, allocated once, each holding one datagram as terminated text.
// The receiver thread fills the back side and the main thread reads the front
// side; the PacketReceiver's lock guards pushes and the swap, this class has
// none of its own.
class PacketQueue {
public:
    // Sizes below 1 are taken as 1, so a slot always has room for the
    // terminator.
    PacketQueue(int32_t slotSize, int32_t capacity);

    // Copies text (cut to slotSize - 1 characters) into the next free slot.
    // Returns false, dropping the text, when every slot is filled.
    bool push(const char* text, size_t length);
    // The next unread text, or null when every filled slot has been read.
    char* pop();

    // Makes the queue the front side (read from the start) or the back side
    // (empty, to be filled).
    void rewind() { readPosition_ = 0; }
    void clear() { count_ = 0; }

    int32_t count() const { return count_; }
    int32_t capacity() const { return capacity_; }
    int32_t slotSize() const { return slotSize_; }

private:
    int32_t slotSize_;
    int32_t capacity_;
    int32_t count_ = 0;
    int32_t readPosition_ = 0;
    std::vector<char> storage_;
};

} // namespace inputs
