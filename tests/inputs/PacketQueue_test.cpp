#include "inputs/PacketQueue.h"
#include "inputs/PacketReceiver.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <string>
#include <thread>

namespace {

using inputs::PacketQueue;
using inputs::PacketReceiver;

TEST(PacketQueue, FillsItsSlotsThenDrops) {
    PacketQueue queue(8, 3);
    EXPECT_TRUE(queue.push("one", 3));
    EXPECT_TRUE(queue.push("two", 3));
    EXPECT_TRUE(queue.push("three", 5));
    EXPECT_FALSE(queue.push("four", 4));
    EXPECT_EQ(queue.count(), 3);
    EXPECT_STREQ(queue.pop(), "one");
    EXPECT_STREQ(queue.pop(), "two");
    EXPECT_STREQ(queue.pop(), "three");
    EXPECT_EQ(queue.pop(), nullptr);
    queue.rewind();
    EXPECT_STREQ(queue.pop(), "one");
    queue.clear();
    queue.rewind();
    EXPECT_EQ(queue.pop(), nullptr);
}

TEST(PacketQueue, CutsTextToTheSlot) {
    PacketQueue queue(5, 2);
    ASSERT_TRUE(queue.push("abcdefgh", 8));
    ASSERT_TRUE(queue.push("wxyz", 4));
    EXPECT_STREQ(queue.pop(), "abcd");
    EXPECT_STREQ(queue.pop(), "wxyz");
}

TEST(PacketQueue, SizesBelowOneStillHoldATerminator) {
    PacketQueue queue(0, 0);
    EXPECT_EQ(queue.slotSize(), 1);
    EXPECT_EQ(queue.capacity(), 1);
    EXPECT_TRUE(queue.push("abc", 3));
    EXPECT_STREQ(queue.pop(), "");
}

// A batch from the socket goes in under one lock: what does not fit is
// dropped and counted, and the loop is woken once, when the batch finds the
// back side empty.
TEST(PacketReceiverQueue, BatchesFillTheBackSideAndWakeOnce) {
    std::atomic<int> wakes{0};
    PacketReceiver receiver("239.1.2.3", 5000, 16, 3, [&] { ++wakes; });
    const char* texts[] = {"a", "b", "c", "d", "e"};
    const size_t lengths[] = {1, 1, 1, 1, 1};
    receiver.pushAll(texts, lengths, 2);
    receiver.pushAll(texts + 2, lengths + 2, 3); // "d" and "e" find the back side full
    receiver.pushAll(texts, lengths, 0);
    EXPECT_EQ(wakes.load(), 1);
    EXPECT_EQ(receiver.receivedCount(), 5u);
    EXPECT_EQ(receiver.droppedCount(), 2u);
    EXPECT_EQ(receiver.pop(), nullptr); // nothing on the front before a swap
    receiver.swap();
    receiver.push("f", 1); // into the new, empty back side: a wake again
    EXPECT_EQ(wakes.load(), 2);
    for (const char* expected : {"a", "b", "c"}) {
        EXPECT_STREQ(receiver.pop(), expected);
    }
    EXPECT_EQ(receiver.pop(), nullptr);
    receiver.swap();
    EXPECT_STREQ(receiver.pop(), "f");
    EXPECT_EQ(receiver.pop(), nullptr);
    // Up to 64 datagrams a call, fewer when large: a batch's buffers stay within 256 KiB.
    const std::pair<int32_t, size_t> sizes[] = {{250, 64},  {4096, 64},   {4097, 63},
                                                {65536, 4}, {1 << 20, 1}, {0, 64}};
    for (const auto& [bytes, batch] : sizes) {
        EXPECT_EQ(PacketReceiver::batchSize(bytes), batch) << bytes;
    }
}

TEST(PacketReceiverQueue, ConcurrentPushesAndSwapsLoseNothingUnannounced) {
    PacketReceiver receiver("239.1.2.3", 5000, 16, 64, nullptr);
    constexpr int kPackets = 20000;
    std::thread producer([&] {
        for (int i = 0; i < kPackets; ++i) {
            const std::string text = std::to_string(i);
            receiver.push(text.c_str(), text.size());
        }
    });
    int seen = 0;
    int last = -1;
    bool ordered = true;
    auto drain = [&] {
        receiver.swap();
        while (char* text = receiver.pop()) {
            const int value = std::atoi(text);
            ordered = ordered && value > last;
            last = value;
            ++seen;
        }
    };
    while (receiver.receivedCount() < static_cast<uint64_t>(kPackets)) {
        drain();
    }
    producer.join();
    drain();
    drain();
    EXPECT_TRUE(ordered);
    EXPECT_EQ(static_cast<uint64_t>(seen) + receiver.droppedCount(),
              static_cast<uint64_t>(kPackets));
}

TEST(PacketReceiver, RefusesAGroupThatIsNoAddress) {
    PacketReceiver receiver("not-an-address", 5000, 16, 2, nullptr);
    EXPECT_FALSE(receiver.start());
    EXPECT_FALSE(receiver.running());
    receiver.stop();
}

} // namespace
