#include "inputs/MulticastPort.h"
#include "inputs/PacketQueue.h"
#include "inputs/PacketReceiver.h"
#include "nodes/NodeTable.h"

#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <climits>
#include <thread>

namespace {

using inputs::PacketQueue;
using inputs::PacketReceiver;

TEST(PacketQueue, FillsItsSlotsThenDropsAndCutsToTheSlot) {
    PacketQueue queue(5, 3), tiny(0, 0);
    EXPECT_TRUE(queue.push("one", 3) && queue.push("abcdefgh", 8) && queue.push("wxyz", 4));
    EXPECT_FALSE(queue.push("four", 4));
    EXPECT_EQ(queue.count(), 3);
    for (const char* expected : {"one", "abcd", "wxyz"}) {
        EXPECT_STREQ(queue.pop(), expected);
    }
    EXPECT_EQ(queue.pop(), nullptr);
    queue.rewind();
    EXPECT_STREQ(queue.pop(), "one");
    queue.clear();
    queue.rewind();
    EXPECT_EQ(queue.pop(), nullptr);
    EXPECT_EQ(tiny.slotSize() + tiny.capacity(), 2) << "sizes below one still hold a terminator";
    EXPECT_TRUE(tiny.push("abc", 3));
    EXPECT_STREQ(tiny.pop(), "");
}

// Up to 64 datagrams a call, fewer when large: a batch's buffers stay within 256 KiB.
// (The batch's drops, wakes and cuts are checked on real sockets in MulticastReceiver_test.)
TEST(PacketReceiverQueue, BatchSizes) {
    for (const auto& [bytes, batch] : {std::pair<int32_t, size_t>{250, 64},
                                       {4096, 64},
                                       {4097, 63},
                                       {65536, 4},
                                       {1 << 20, 1},
                                       {0, 64}}) {
        EXPECT_EQ(PacketReceiver::batchSize(bytes), batch) << bytes;
    }
    EXPECT_FALSE(PacketReceiver("not-an-address", 5000, 16, 2, nullptr).start());
}

TEST(PacketReceiverQueue, ConcurrentPushesAndSwapsLoseNothingUnannounced) {
    PacketReceiver receiver("239.1.2.3", 5000, 16, 64, nullptr);
    constexpr int kPackets = 20000;
    std::thread producer([&] {
        for (int i = 0; i < kPackets; ++i) {
            receiver.push(std::to_string(i).c_str(), std::to_string(i).size());
        }
    });
    int seen = 0, last = -1;
    bool ordered = true;
    auto drain = [&] {
        receiver.swap();
        for (char* text = receiver.pop(); text != nullptr; text = receiver.pop(), ++seen) {
            ordered = ordered && std::atoi(text) > last;
            last = std::atoi(text);
        }
    };
    while (receiver.receivedCount() < static_cast<uint64_t>(kPackets)) {
        drain();
    }
    producer.join();
    drain();
    drain();
    EXPECT_TRUE(ordered);
    EXPECT_EQ(seen + receiver.droppedCount(), static_cast<uint64_t>(kPackets));
}

TEST(PortFile, LoadsOnlyCompleteLines) {
    testsupport::TempDir dir;
    nodes::NodeTable table(250, 20);
    const std::string path =
        dir.write("ports.txt", "# label group port\nshort 239.1.1.1\n"
                               "fleet 239.192.0.1 5500 extra words\r\n"
                               "#off 239.1.1.2 6000\n\nnamed 239.192.0.2 abc\n");
    ASSERT_TRUE(table.loadPortFile(path.c_str()));
    ASSERT_EQ(table.portCount(), 2u);
    EXPECT_EQ(table.portAt(0)->label() + " " + table.portAt(0)->groupAddress(),
              "fleet 239.192.0.1");
    EXPECT_EQ(table.portAt(0)->port() * 10 + table.portAt(1)->port(), 55000);
    EXPECT_EQ(table.portAt(2), nullptr);
    EXPECT_FALSE(table.portAt(0)->running() || table.portsRunning());
    EXPECT_EQ(table.portFilePath(), path);
    table.portAt(0)->receiver().push("x", 1);
    EXPECT_EQ(table.processPorts(), 0) << "processed before the start";
    table.portAt(0)->receiver().swap();
    EXPECT_STREQ(table.portAt(0)->receiver().pop(), "x");
    EXPECT_FALSE(table.loadPortFile(dir.file("absent").c_str()));
    EXPECT_EQ(table.portCount(), 0u);
    EXPECT_FALSE(table.portsLoaded());
    EXPECT_FALSE(table.loadPortFile(dir.write("empty.txt", "# nothing\nonly two\n").c_str()));
    EXPECT_FALSE(table.loadPortFile(nullptr));
    EXPECT_TRUE(table.unloadPorts());
}

// Sizes take effect, with one rebuild of the ports, only when valid and
// changed; queues over the 64 MiB budget are refused with one line.
TEST(PortFile, SizesTakeEffectOnlyWhenValidAndChanged) {
    testsupport::TempDir dir;
    nodes::NodeTable table(250, 20);
    EXPECT_EQ(table.setBytesPerBuffer(200) + table.setBuffersPerPort(50), 250);
    EXPECT_EQ(table.portRebuildCount(), 0u) << "without ports only the values change";
    ASSERT_TRUE(table.loadPortFile(dir.write("ports.txt", "a 239.1.1.1 5000\n").c_str()));
    const PacketReceiver& receiver = table.portAt(0)->receiver();
    EXPECT_EQ(receiver.bytesPerBuffer() * 1000 + receiver.buffersPerPort(), 200050);
    const struct {
        int32_t bytes, buffers, expectBytes, expectBuffers;
        uint32_t rebuilds;
        bool overBudget = false;
    } cases[] = {
        {200, 50, 200, 50, 0},
        {0, 50, 200, 50, 0},
        {200, -4, 200, 50, 0},
        {65537, 50, 200, 50, 0},
        {300, 60, 300, 60, 1},
        {300, 61, 300, 61, 1},
        {65536, 61, 65536, 61, 1},
        {65536, 512, 65536, 512, 1},
        {65536, 513, 65536, 512, 0, true},
        {250, 2000000000, 65536, 512, 0, true},
        {250, 10000000, 65536, 512, 0, true},
        {INT32_MAX, INT32_MAX, 65536, 512, 0, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.bytes << " x " << c.buffers);
        const uint32_t before = table.portRebuildCount();
        testing::internal::CaptureStderr();
        EXPECT_EQ(table.setBufferSizes(c.bytes, c.buffers), !c.overBudget);
        const std::string warning = testing::internal::GetCapturedStderr();
        EXPECT_EQ(std::count(warning.begin(), warning.end(), '\n'), c.overBudget ? 1 : 0);
        EXPECT_EQ(table.bytesPerBuffer(), c.expectBytes);
        EXPECT_EQ(table.buffersPerPort(), c.expectBuffers);
        EXPECT_EQ(table.portRebuildCount() - before, c.rebuilds);
        ASSERT_EQ(table.portCount(), 1u);
        EXPECT_EQ(table.portAt(0)->receiver().bytesPerBuffer(), c.expectBytes);
        EXPECT_EQ(table.portAt(0)->receiver().buffersPerPort(), c.expectBuffers);
    }
}

} // namespace
