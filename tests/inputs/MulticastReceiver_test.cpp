// Receivers on real multicast sockets, sending to a group on the loopback of a
// private network namespace (scripts/in-netns).
#include "inputs/MulticastPort.h"
#include "nodes/NodeTable.h"

#include "tests/support/MulticastSender.h"
#include "tests/support/TempDir.h"
#include "tests/support/WaitUntil.h"
#include "tests/support/ZoneGuard.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <atomic>
#include <mutex>
#include <thread>

namespace {

using namespace std::chrono_literals;
using nodes::NodeTable;
using testsupport::waitUntil;

constexpr const char* kGroup = "239.255.42.1";
const int kPort = 20000 + static_cast<int>(getpid() % 20000); // parallel suites do not meet

std::string packet(int id, int hundredths) {
    char seconds[8];
    std::snprintf(seconds, sizeof seconds, "%05.2f", hundredths / 100.0);
    return std::to_string(id) + ",c1,c2,$GPZDA,1234" + seconds +
           ",15,06,2004,00,00*4B$GPGLL,4916.4500,N,12311.1200,W,123456.78,A,A*2C";
}

class MulticastReceiverTest : public ::testing::Test {
protected:
    void load(NodeTable& table, const std::string& group = kGroup) {
        ASSERT_TRUE(table.loadNodeFile(dir.write("nodes.txt", "1 One\n2 Two\n3 Three\n").c_str()));
        ASSERT_TRUE(table.loadPortFile(
            dir.write("p", "fleet " + group + " " + std::to_string(kPort) + "\n").c_str()));
    }
    static uint64_t received(NodeTable& table) {
        return table.portAt(0)->receiver().receivedCount();
    }

    testsupport::ZoneGuard zone{"UTC"};
    testsupport::TempDir dir;
    testsupport::MulticastSender sender{kGroup, kPort};
};

// Nothing is heard before the start; the 21st datagram finds the queue full and
// is dropped and counted; a long datagram is cut to the buffer; the loop is
// woken when the back side was empty.
TEST_F(MulticastReceiverTest, DeliversDropsAndCuts) {
    NodeTable table(250, 20);
    std::atomic<int> wakes{0};
    table.setPacketsWaitingCallback([&] { ++wakes; });
    load(table);
    ASSERT_TRUE(sender.send(packet(1, 1)));
    EXPECT_EQ(table.processPorts(), 0);
    table.startPorts();
    ASSERT_TRUE(table.portAt(0)->running());
    for (int i = 0; i < 21; ++i) {
        ASSERT_TRUE(sender.send(packet(1 + i % 3, i)));
    }
    ASSERT_TRUE(
        waitUntil([&] { return received(table) == 21 && wakes > 0; })); // wakes after counting
    EXPECT_EQ(wakes.load(), 1);
    EXPECT_EQ(table.portAt(0)->trafficLine(),
              "Port fleet " + std::string(kGroup) + ":" + std::to_string(kPort) +
                  ": 21 datagrams received, 1 dropped (queue full), 0 lost in the system "
                  "(receive buffer full)");
    EXPECT_EQ(table.processPorts(), 20);
    EXPECT_EQ(table.processPorts(), 0);
    EXPECT_EQ(table.findById(3)->reportTime.millitm, 170) << "the 21st, at .200 s, was dropped";
    EXPECT_EQ(table.findById(2)->reportTime.millitm, 190);
    EXPECT_STREQ(table.findById(2)->reportTimeText, "2004/06/15,12:34:00.190");
    for (const char c : {'x', 'y', 'z'}) {
        ASSERT_TRUE(sender.send(std::string(c == 'x' ? 300 : c == 'y' ? 249 : 250, c)));
    }
    ASSERT_TRUE(waitUntil([&] { return received(table) == 24 && wakes > 1; }));
    EXPECT_EQ(wakes.load(), 2);
    inputs::PacketReceiver& receiver = table.portAt(0)->receiver();
    receiver.swap();
    for (const char c : {'x', 'y', 'z'}) {
        EXPECT_EQ(std::string(receiver.pop()), std::string(249, c));
    }
    table.stopPorts();
    EXPECT_FALSE(table.portAt(0)->running());
}

// A size change rebuilds the running port only when it changes; the new one
// hears the same group, counts on, and its socket gets room for both queue
// sides (a process that may go beyond the system's cap, root, gets it all).
TEST_F(MulticastReceiverTest, SizeChangesRebuildOnlyWhenChanged) {
    NodeTable table(250, 20);
    load(table);
    EXPECT_EQ(table.portAt(0)->receiver().receiveBufferBytes(), 0);
    table.startPorts();
    table.setBufferSizes(250, 20);
    EXPECT_EQ(table.portRebuildCount(), 0u);
    ASSERT_TRUE(sender.send(packet(3, 0)));
    ASSERT_TRUE(waitUntil([&] { return received(table) == 1; }));
    table.setBuffersPerPort(4000); // 2 000 000 bytes of queues
    EXPECT_EQ(table.portRebuildCount(), 1u);
    ASSERT_EQ(table.portCount(), 1u);
    EXPECT_TRUE(table.portsRunning() && table.portAt(0)->running());
    EXPECT_EQ(table.portAt(0)->receiver().buffersPerPort(), 4000);
    EXPECT_GE(table.portAt(0)->receiver().receiveBufferBytes(), geteuid() == 0 ? 2000000 : 1);
    ASSERT_TRUE(sender.send(packet(3, 1)));
    ASSERT_TRUE(waitUntil([&] { return received(table) == 2; }));
    EXPECT_EQ(table.processPorts(), 1);
}

// A receiver held up (in its wake callback) lets the socket's buffer fill: the
// system drops what does not fit, and a later datagram tells how many. Every
// datagram is then received or counted lost.
TEST_F(MulticastReceiverTest, LossInTheSystemIsCounted) {
    NodeTable table(250, 20); // a receive buffer of about 10 000 bytes
    std::mutex hold;
    std::unique_lock<std::mutex> held(hold);
    table.setPacketsWaitingCallback([&] { std::lock_guard<std::mutex> wait(hold); });
    load(table);
    table.startPorts();
    inputs::PacketReceiver& receiver = table.portAt(0)->receiver();
    int sent = 0;
    for (; sent < 300; ++sent) {
        ASSERT_TRUE(sender.send(packet(1, sent)));
    }
    held.unlock();
    ASSERT_TRUE(waitUntil([&] { return receiver.receivedCount() > 1; }));
    table.processPorts();
    // On a busy machine the datagram that tells may itself find the buffer full: send until
    // balanced.
    const auto balanced = [&] {
        return receiver.receivedCount() + receiver.kernelDroppedCount() ==
               static_cast<uint64_t>(sent);
    };
    for (int i = 0; i < 50 && (i == 0 || !waitUntil(balanced, 200ms)); ++i) {
        ASSERT_TRUE(sender.send(packet(1, sent++)));
    }
    EXPECT_TRUE(balanced()) << receiver.receivedCount() << " + " << receiver.kernelDroppedCount();
    EXPECT_GT(receiver.kernelDroppedCount(), 0u);
}

// Two tables hear one group; a port does not hear another group on its port number.
TEST_F(MulticastReceiverTest, EachPortHearsItsOwnGroup) {
    NodeTable first(250, 20), second(250, 20), other(250, 20);
    load(first);
    load(second);
    load(other, "239.255.42.2");
    for (NodeTable* table : {&first, &second, &other}) {
        table->startPorts();
    }
    ASSERT_TRUE(testsupport::MulticastSender("239.255.42.2", kPort).send(packet(1, 5)));
    ASSERT_TRUE(waitUntil([&] { return received(other) == 1; }));
    ASSERT_TRUE(sender.send(packet(1, 42))); // the first the others hear
    ASSERT_TRUE(waitUntil([&] { return received(first) >= 1 && received(second) >= 1; }));
    for (NodeTable* table : {&first, &second}) {
        EXPECT_EQ(received(*table), 1u);
        EXPECT_EQ(table->processPorts(), 1);
        EXPECT_EQ(table->findById(1)->reportTime.millitm, 420);
    }
}

TEST_F(MulticastReceiverTest, StopAndRebuildWhileDatagramsPourIn) {
    NodeTable table(250, 2000);
    load(table);
    table.startPorts();
    std::atomic<bool> sending{true};
    std::thread pour([&] {
        testsupport::MulticastSender local(kGroup, kPort);
        for (int i = 0; sending && i < 2000000; ++i) {
            local.send(packet(1 + i % 3, i % 6000));
        }
    });
    ASSERT_TRUE(waitUntil([&] { return received(table) > 100; }));
    for (int round = 1; round <= 5; ++round) {
        table.processPorts();
        table.setBuffersPerPort(2000 + round);
        ASSERT_TRUE(table.portAt(0)->running());
    }
    table.stopPorts();
    sending = false;
    pour.join();
    EXPECT_FALSE(table.portsRunning());
}

} // namespace
