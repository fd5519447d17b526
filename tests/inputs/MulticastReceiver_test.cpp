// Receivers on real multicast sockets. These tests send to a group on the
// loopback of a private network namespace (scripts/in-netns), with TTL 0.
#include "inputs/MulticastPort.h"
#include "nodes/NodeTable.h"

#include "tests/support/MulticastSender.h"
#include "tests/support/TempDir.h"
#include "tests/support/ZoneGuard.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <ctime>
#include <mutex>
#include <string>
#include <thread>

namespace {

using namespace std::chrono_literals;
using nodes::NodeTable;

constexpr const char* kGroup = "239.255.42.1";

// Picks a port per test process so parallel suites do not hear each other.
int testPort() {
    return 20000 + static_cast<int>(getpid() % 20000);
}

using testsupport::MulticastSender;

std::string packet(int id, int hundredths) {
    char seconds[16];
    std::snprintf(seconds, sizeof seconds, "%05.2f", hundredths / 100.0);
    return std::to_string(id) + ",c1,c2,$GPZDA,1234" + seconds +
           ",15,06,2004,00,00*4B$GPGLL,4916.4500,N,12311.1200,W,123456.78,A,A*2C";
}

template <typename Condition> bool waitFor(Condition condition, std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(1ms);
    }
    return true;
}

class MulticastReceiverTest : public ::testing::Test {
protected:
    void SetUp() override {
        nodePath = dir.write("nodes.txt", "1 One\n2 Two\n3 Three\n");
        portPath = dir.write("ports.txt", "fleet " + std::string(kGroup) + " " +
                                              std::to_string(testPort()) + "\n");
    }
    void loadInto(NodeTable& table) {
        ASSERT_TRUE(table.loadNodeFile(nodePath.c_str()));
        ASSERT_TRUE(table.loadPortFile(portPath.c_str()));
    }
    static uint64_t received(NodeTable& table) {
        return table.portAt(0)->receiver().receivedCount();
    }

    testsupport::ZoneGuard zone{"UTC"};
    testsupport::TempDir dir;
    std::string nodePath;
    std::string portPath;
    MulticastSender sender{kGroup, testPort()};
};

TEST_F(MulticastReceiverTest, DeliversIntoTheRecords) {
    NodeTable table(250, 20);
    std::atomic<int> wakes{0};
    table.setPacketsWaitingCallback([&] { ++wakes; });
    loadInto(table);
    ASSERT_TRUE(sender.send(packet(1, 1))); // before the start: never heard
    EXPECT_EQ(table.processPorts(), 0);
    table.startPorts();
    ASSERT_TRUE(table.portAt(0)->running());
    ASSERT_TRUE(sender.send(packet(2, 5678)));
    ASSERT_TRUE(waitFor([&] { return received(table) == 1; }, 10s));
    EXPECT_EQ(wakes.load(), 1);
    EXPECT_EQ(table.processPorts(), 1);
    EXPECT_NEAR(table.findById(2)->latitude, 49.274166, 1e-6);
    EXPECT_STREQ(table.findById(2)->reportTimeText, "2004/06/15,12:34:56.780");
    EXPECT_EQ(table.processPorts(), 0);
    EXPECT_EQ(table.findById(1)->reportTime.time, 0);
    table.stopPorts();
    EXPECT_FALSE(table.portAt(0)->running());
}

TEST_F(MulticastReceiverTest, TheTwentyFirstDatagramIsDropped) {
    NodeTable table(250, 20);
    loadInto(table);
    table.startPorts();
    for (int i = 0; i < 21; ++i) {
        ASSERT_TRUE(sender.send(packet(1 + i % 3, i)));
    }
    ASSERT_TRUE(waitFor([&] { return received(table) == 21; }, 10s));
    EXPECT_EQ(table.portAt(0)->receiver().droppedCount(), 1u);
    EXPECT_EQ(table.portAt(0)->trafficLine(),
              "Port fleet " + std::string(kGroup) + ":" + std::to_string(testPort()) +
                  ": 21 datagrams received, 1 dropped (queue full), 0 lost in the system "
                  "(receive buffer full)");
    EXPECT_EQ(table.processPorts(), 20);
    // The 21st datagram (node 3 at .200 s) was the one dropped: node 3 keeps
    // its report of .170 s.
    EXPECT_EQ(table.findById(3)->reportTime.millitm, 170);
    EXPECT_EQ(table.findById(2)->reportTime.millitm, 190);
}

TEST_F(MulticastReceiverTest, LongDatagramIsCutToTheBuffer) {
    NodeTable table(250, 20);
    loadInto(table);
    table.startPorts();
    const std::string longText(300, 'x');
    ASSERT_TRUE(sender.send(longText));
    ASSERT_TRUE(sender.send(std::string(249, 'y')));
    ASSERT_TRUE(sender.send(std::string(250, 'z')));
    ASSERT_TRUE(waitFor([&] { return received(table) == 3; }, 10s));
    inputs::PacketReceiver& receiver = table.portAt(0)->receiver();
    receiver.swap();
    EXPECT_EQ(std::string(receiver.pop()), std::string(249, 'x'));
    EXPECT_EQ(std::string(receiver.pop()), std::string(249, 'y'));
    EXPECT_EQ(std::string(receiver.pop()), std::string(249, 'z'));
}

TEST_F(MulticastReceiverTest, SizeChangesRestartOnlyWhenChanged) {
    NodeTable table(250, 20);
    loadInto(table);
    table.startPorts();
    table.setBufferSizes(250, 20);
    EXPECT_EQ(table.portRebuildCount(), 0u);
    ASSERT_TRUE(sender.send(packet(3, 0)));
    ASSERT_TRUE(waitFor([&] { return received(table) == 1; }, 10s));

    table.setBuffersPerPort(30);
    EXPECT_EQ(table.portRebuildCount(), 1u);
    ASSERT_EQ(table.portCount(), 1u);
    EXPECT_TRUE(table.portsRunning());
    EXPECT_TRUE(table.portAt(0)->running());
    EXPECT_EQ(table.portAt(0)->receiver().buffersPerPort(), 30);
    // The rebuilt port receives on the same group, and counts on from the old one.
    ASSERT_TRUE(sender.send(packet(3, 1)));
    ASSERT_TRUE(waitFor([&] { return received(table) == 2; }, 10s));
    EXPECT_EQ(table.processPorts(), 1);
}

// A receiver thread held up (here in its wake callback) lets the socket's
// buffer fill: the system drops what does not fit, and the next datagram
// received tells how many. Every datagram is then received or counted lost.
TEST_F(MulticastReceiverTest, LossInTheSystemIsCounted) {
    NodeTable table(250, 20); // a receive buffer of about 10 000 bytes
    std::mutex hold;
    std::unique_lock<std::mutex> held(hold);
    table.setPacketsWaitingCallback([&] { std::lock_guard<std::mutex> wait(hold); });
    loadInto(table);
    table.startPorts();
    inputs::PacketReceiver& receiver = table.portAt(0)->receiver();
    int sent = 0;
    for (; sent < 300; ++sent) {
        ASSERT_TRUE(sender.send(packet(1, sent)));
    }
    held.unlock();
    ASSERT_TRUE(waitFor([&] { return receiver.receivedCount() > 1; }, 10s));
    table.processPorts();
    // The system tells its count with the next datagram taken; on a busy machine that one may
    // itself find the buffer still full, so another follows until the last one arrives.
    const auto balanced = [&] {
        return receiver.receivedCount() + receiver.kernelDroppedCount() ==
               static_cast<uint64_t>(sent);
    };
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    do {
        ASSERT_TRUE(sender.send(packet(1, sent++)));
    } while (!waitFor(balanced, 200ms) && std::chrono::steady_clock::now() < deadline);
    EXPECT_TRUE(balanced()) << receiver.receivedCount() << " received, "
                            << receiver.kernelDroppedCount() << " lost of " << sent;
    EXPECT_GT(receiver.kernelDroppedCount(), 0u);
}

// The socket gets room for both queue sides: the system caps what others may
// ask for, a process that may go beyond the cap (root) gets it all.
TEST_F(MulticastReceiverTest, ReceiveBufferHoldsBothQueueSides) {
    NodeTable table(250, 4000); // 2 000 000 bytes of queues
    loadInto(table);
    EXPECT_EQ(table.portAt(0)->receiver().receiveBufferBytes(), 0);
    table.startPorts();
    const int granted = table.portAt(0)->receiver().receiveBufferBytes();
    if (geteuid() == 0) {
        EXPECT_GE(granted, 2000000);
    } else {
        EXPECT_GT(granted, 0);
    }
}

// Two tables hear one group; a port does not hear another group on its port number.
TEST_F(MulticastReceiverTest, EachPortHearsItsOwnGroup) {
    NodeTable first(250, 20);
    NodeTable second(250, 20);
    NodeTable other(250, 20);
    loadInto(first);
    loadInto(second);
    const std::string otherPorts =
        dir.write("other.txt", "other 239.255.42.2 " + std::to_string(testPort()) + "\n");
    ASSERT_TRUE(other.loadPortFile(otherPorts.c_str()));
    for (NodeTable* table : {&first, &second, &other}) {
        table->startPorts();
    }
    ASSERT_TRUE(MulticastSender("239.255.42.2", testPort()).send(packet(1, 5)));
    ASSERT_TRUE(waitFor([&] { return received(other) == 1; }, 10s));
    // Then one to the first group, which must be the first the others hear.
    ASSERT_TRUE(sender.send(packet(1, 42)));
    ASSERT_TRUE(waitFor([&] { return received(first) >= 1 && received(second) >= 1; }, 10s));
    for (NodeTable* table : {&first, &second}) {
        EXPECT_EQ(received(*table), 1u);
        EXPECT_EQ(table->processPorts(), 1);
        EXPECT_EQ(table->findById(1)->reportTime.millitm, 420);
    }
}

TEST_F(MulticastReceiverTest, StopWhileDatagramsPourIn) {
    NodeTable table(250, 2000);
    loadInto(table);
    table.startPorts();
    std::atomic<bool> sending{true};
    std::thread pour([&] {
        MulticastSender local(kGroup, testPort());
        for (int i = 0; sending.load() && i < 2000000; ++i) {
            local.send(packet(1 + i % 3, i % 6000));
        }
    });
    ASSERT_TRUE(waitFor([&] { return received(table) > 100; }, 10s));
    for (int round = 0; round < 5; ++round) {
        table.processPorts();
        table.setBuffersPerPort(2000 + round + 1); // stop, rebuild, start under load
        ASSERT_TRUE(table.portAt(0)->running());
    }
    const auto start = std::chrono::steady_clock::now();
    table.stopPorts();
    EXPECT_LT(std::chrono::steady_clock::now() - start, 10s);
    sending = false;
    pour.join();
    EXPECT_FALSE(table.portsRunning());
}

} // namespace
