// LB_Socket operations that wait: receives by wait flag and blocking flag,
// connect and receive time-outs, abort from another thread, and the
// single-client server waiting for its client.
#include "net/LB_Socket.h"

#include "tests/net/ConnectedPair.h"
#include "tests/net/RawSocket.h"
#include "tests/net/StdoutCapture.h"
#include "tests/support/EventCounter.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

namespace {

using namespace std::chrono_literals;
using nettest::ConnectedPair;
using nettest::RawSocket;
using nettest::StdoutCapture;
using testsupport::EventCounter;
using Clock = std::chrono::steady_clock;

std::chrono::milliseconds since(Clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start);
}

struct WaitCase {
    int blocking;
    int wait;
    bool blocks;
};

// Wait flag 0 never blocks, 2 follows the blocking flag given at open, any
// other value blocks.
TEST(LB_Socket, ReceiveBlocksAsTheWaitFlagAndTheBlockingFlagSay) {
    const WaitCase cases[] = {
        {1, 2, true}, {0, 2, false}, {1, 0, false}, {0, 0, false},
        {1, 1, true}, {0, 1, true},  {0, 7, true},
    };
    for (const WaitCase& c : cases) {
        SCOPED_TRACE("blocking " + std::to_string(c.blocking) + " wait " + std::to_string(c.wait));
        ConnectedPair pair;
        ASSERT_TRUE(pair.open(c.blocking));
        StdoutCapture capture;
        EventCounter returned;
        char buffer[16] = {};
        std::atomic<int> result{-2};
        std::thread receiver([&] {
            result = pair.client.receive(buffer, sizeof buffer, c.wait);
            returned.add();
        });
        if (c.blocks) {
            EXPECT_FALSE(returned.waitFor(1, 150ms)) << "returned before the peer sent";
            EXPECT_TRUE(pair.server.sendText("late"));
            if (!returned.waitFor(1, 10s)) {
                ADD_FAILURE() << "still blocked after the peer sent";
                pair.client.abort();
            }
            receiver.join();
            EXPECT_EQ(result.load(), 4);
            EXPECT_EQ(std::string(buffer, 4), "late");
            EXPECT_EQ(capture.text(), "");
        } else {
            if (!returned.waitFor(1, 10s)) {
                ADD_FAILURE() << "blocked although asked not to";
                pair.client.abort();
            }
            receiver.join();
            EXPECT_EQ(result.load(), 0);
            EXPECT_EQ(capture.text(), "before ioctlsocket\ngot a n of 0\ngot n=0\n");
        }
    }
}

TEST(LB_Socket, ReceiveTimeOutEndsAReceiveOnASilentPeer) {
    ConnectedPair pair;
    pair.client.setTimeouts(0, 200);
    ASSERT_TRUE(pair.open());
    StdoutCapture capture;
    char buffer[16] = {};
    const auto start = Clock::now();
    EXPECT_EQ(pair.client.receive(buffer, sizeof buffer, 1), -1);
    EXPECT_GE(since(start), 150ms);
    EXPECT_LT(since(start), 10s);
    EXPECT_FALSE(pair.client.isOpen());
    EXPECT_EQ(capture.text(), "in LB_Socket::receive, got an error on recv\n");
}

TEST(LB_Socket, ConnectTimeOutEndsAConnectThatGetsNoAnswer) {
    RawSocket filler;
    RawSocket listener = RawSocket::unansweringListener(&filler);
    ASSERT_TRUE(listener.valid());
    StdoutCapture capture;
    LB_Socket client;
    client.setTimeouts(200, 0);
    const auto start = Clock::now();
    EXPECT_EQ(client.openTcpClient("127.0.0.1", listener.port(), 1), 0);
    EXPECT_GE(since(start), 150ms);
    EXPECT_LT(since(start), 10s);
    EXPECT_FALSE(client.isOpen());
    EXPECT_EQ(capture.text(), "");
}

TEST(LB_Socket, AbortFromAnotherThreadEndsABlockedReceive) {
    ConnectedPair pair;
    ASSERT_TRUE(pair.open());
    StdoutCapture capture;
    EventCounter returned;
    std::atomic<int> result{-2};
    std::thread receiver([&] {
        char buffer[16];
        result = pair.client.receive(buffer, sizeof buffer, 1);
        returned.add();
    });
    EXPECT_FALSE(returned.waitFor(1, 100ms));
    pair.client.abort();
    EXPECT_TRUE(returned.waitFor(1, 10s));
    receiver.join();
    EXPECT_EQ(result.load(), -1);
    EXPECT_FALSE(pair.client.isOpen());
    EXPECT_EQ(capture.text(), "in LB_Socket::receive, got an error on recv\n");
    // Aborted for good: no later open succeeds.
    EXPECT_EQ(pair.client.openTcpClient("127.0.0.1", pair.listener.port(), 1), 0);
}

TEST(LB_Socket, AbortFromAnotherThreadEndsABlockedConnect) {
    RawSocket filler;
    RawSocket listener = RawSocket::unansweringListener(&filler);
    ASSERT_TRUE(listener.valid());
    LB_Socket client;
    EventCounter returned;
    std::atomic<int> result{-2};
    std::thread connector([&] {
        result = client.openTcpClient("127.0.0.1", listener.port(), 1);
        returned.add();
    });
    EXPECT_FALSE(returned.waitFor(1, 150ms)) << "the connect was answered";
    client.abort();
    EXPECT_TRUE(returned.waitFor(1, 10s));
    connector.join();
    EXPECT_EQ(result.load(), 0);
    EXPECT_FALSE(client.isOpen());
}

TEST(LB_Socket, AbortBeforeTheOpenFailsItAtOnce) {
    RawSocket listener = RawSocket::listenTcp();
    LB_Socket client;
    client.abort();
    EXPECT_EQ(client.openTcpClient("127.0.0.1", listener.port(), 1), 0);
    EXPECT_FALSE(listener.accept(100ms).valid());
}

// Without waiting, or on a port in use, the single-client server fails at once.
TEST(LB_Socket, SingleClientServerThatCannotServeFails) {
    RawSocket taken = RawSocket::listenTcp();
    for (const auto& [port, wait] : {std::pair{0, 0}, std::pair{taken.port(), 1}}) {
        SCOPED_TRACE(wait);
        StdoutCapture capture;
        LB_Socket server;
        ASSERT_TRUE(server.setLocalAddress("127.0.0.1"));
        EXPECT_EQ(server.openTcpServer(port, wait, nullptr, nullptr), 0);
        EXPECT_FALSE(server.isOpen());
        EXPECT_EQ(server.mode(), LB_Socket::kNone);
        EXPECT_EQ(capture.text(), "sicket_fd open failed with return vlaue -1\n");
    }
}

TEST(LB_Socket, SingleClientServerWaitsForItsClient) {
    const int port = RawSocket::freeTcpPort();
    ASSERT_NE(port, 0);
    StdoutCapture capture;
    LB_Socket server;
    ASSERT_TRUE(server.setLocalAddress("127.0.0.1"));
    EventCounter opened;
    std::atomic<int> result{-2};
    std::thread waiter([&] {
        result = server.openTcpServer(port, 1, nullptr, nullptr);
        opened.add();
    });
    RawSocket client = RawSocket::connectTcp(port, 10s);
    const bool served = opened.waitFor(1, 10s);
    if (!served) {
        server.abort();
    }
    waiter.join();
    ASSERT_TRUE(client.valid());
    ASSERT_TRUE(served);
    ASSERT_EQ(result.load(), 1);
    EXPECT_TRUE(server.isOpen());
    EXPECT_EQ(server.mode(), LB_Socket::kTcpSingleClientServer);

    const std::string text = capture.text();
    const std::string connected = "127.0.0.1:" + std::to_string(client.port()) + " connected\n";
    ASSERT_EQ(text.rfind(connected, 0), 0u) << text;
    int fd = -1;
    EXPECT_EQ(std::sscanf(text.c_str() + connected.size(), "sicket_fd is %d\n", &fd), 1) << text;
    EXPECT_GE(fd, 0);
    EXPECT_EQ(text.back(), '\n');

    ASSERT_TRUE(client.sendText("one"));
    char buffer[8] = {};
    EXPECT_EQ(server.receive(buffer, sizeof buffer, 1), 3);
    EXPECT_EQ(server.send("two", 3, 0), 3);
    EXPECT_EQ(client.receiveText(10s, 3), "two");

    // Nothing waits for another client: the reconnect cannot succeed.
    EXPECT_EQ(server.reconnect(), 0);
    EXPECT_FALSE(server.isOpen());
    EXPECT_EQ(server.mode(), LB_Socket::kTcpSingleClientServer);
}

TEST(LB_Socket, AbortEndsASingleClientServerWaitingForItsClient) {
    StdoutCapture capture;
    LB_Socket server;
    ASSERT_TRUE(server.setLocalAddress("127.0.0.1"));
    EventCounter returned;
    std::atomic<int> result{-2};
    std::thread waiter([&] {
        result = server.openTcpServer(0, 1, nullptr, nullptr);
        returned.add();
    });
    EXPECT_FALSE(returned.waitFor(1, 100ms));
    server.abort();
    EXPECT_TRUE(returned.waitFor(1, 10s));
    waiter.join();
    EXPECT_EQ(result.load(), 0);
    EXPECT_EQ(capture.text(), "sicket_fd open failed with return vlaue -1\n");
}

} // namespace
