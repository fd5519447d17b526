// receiveAll belongs to the base; it is run here through LB_Socket, a TCP
// client of a loopback peer (the sub-socket of a server is covered in
// LB_SSubSocket_test.cpp).
#include "net/LB_Socket.h"

#include "tests/net/ConnectedPair.h"
#include "tests/net/RawSocket.h"
#include "tests/net/StdoutCapture.h"
#include "tests/support/EventCounter.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>

namespace {

using namespace std::chrono_literals;
using nettest::ConnectedPair;
using nettest::StdoutCapture;
using testsupport::EventCounter;
using Clock = std::chrono::steady_clock;

// Runs receiveAll on a thread of its own so that the test can feed the peer
// while it waits. A run that never ends is cancelled, so that a failing test
// fails instead of hanging.
class ReceiveAllRun {
public:
    ReceiveAllRun(LB_Socket& socket, int length, int wait)
        : socket_(socket), buffer_(static_cast<size_t>(length), '\0'),
          thread_([this, length, wait] {
              result_ = socket_.receiveAll(buffer_.data(), length, wait);
              done_.add();
          }) {}
    ~ReceiveAllRun() { finish(); }
    bool returnedWithin(std::chrono::milliseconds limit) { return done_.waitFor(1, limit); }
    int result() {
        finish();
        return result_;
    }
    const std::string& text() const { return buffer_; }

private:
    void finish() {
        if (!thread_.joinable()) {
            return;
        }
        if (!done_.waitFor(1, 10s)) {
            socket_.abort();
        }
        thread_.join();
    }

    LB_Socket& socket_;
    std::string buffer_;
    std::atomic<int> result_{-2};
    EventCounter done_;
    std::thread thread_;
};

TEST(LB_SubSocket, ReceiveAllGathersPiecesUntilTheLength) {
    ConnectedPair peer;
    ASSERT_TRUE(peer.open());
    StdoutCapture capture;
    ASSERT_TRUE(peer.server.sendText("hel"));
    ReceiveAllRun run(peer.client, 11, 1);
    EXPECT_FALSE(run.returnedWithin(150ms)) << "returned with only part of the length";
    ASSERT_TRUE(peer.server.sendText("lo world"));
    ASSERT_TRUE(run.returnedWithin(10s));
    EXPECT_EQ(run.result(), 11);
    EXPECT_EQ(run.text(), "hello world");
    EXPECT_EQ(capture.text(), "");
}

TEST(LB_SubSocket, ReceiveAllEndsWithMinusOneWhenThePeerClosesMidway) {
    for (const int wait : {0, 1, 2}) {
        SCOPED_TRACE("wait " + std::to_string(wait));
        ConnectedPair peer;
        ASSERT_TRUE(peer.open(0));
        StdoutCapture capture;
        ReceiveAllRun run(peer.client, 10, wait);
        ASSERT_TRUE(peer.server.sendText("abcd"));
        peer.server.close();
        ASSERT_TRUE(run.returnedWithin(10s)) << "receiveAll kept going after the peer closed";
        EXPECT_EQ(run.result(), -1);
        EXPECT_EQ(run.text().substr(0, 4), "abcd");
        EXPECT_TRUE(peer.client.peerClosed());
    }
}

TEST(LB_SubSocket, ReceiveAllWithoutWaitingWaitsForTheRestInsteadOfAskingAgain) {
    ConnectedPair peer;
    ASSERT_TRUE(peer.open());
    StdoutCapture capture;
    ReceiveAllRun run(peer.client, 4, 0);
    EXPECT_FALSE(run.returnedWithin(200ms));
    ASSERT_TRUE(peer.server.sendText("abcd"));
    ASSERT_TRUE(run.returnedWithin(10s));
    EXPECT_EQ(run.result(), 4);
    EXPECT_EQ(run.text(), "abcd");
    // One look at the waiting count, then a quiet wait: a busy loop would have
    // written the count lines thousands of times.
    EXPECT_EQ(capture.text(), "before ioctlsocket\ngot a n of 0\ngot n=0\n");
}

TEST(LB_SubSocket, ReceiveAllEndsWithMinusOneOnAReceiveTimeOut) {
    ConnectedPair peer;
    peer.client.setTimeouts(0, 200);
    ASSERT_TRUE(peer.open());
    StdoutCapture capture;
    ASSERT_TRUE(peer.server.sendText("ab"));
    char buffer[4] = {};
    const auto start = Clock::now();
    EXPECT_EQ(peer.client.receiveAll(buffer, sizeof buffer, 1), -1);
    EXPECT_LT(Clock::now() - start, 10s);
    EXPECT_EQ(capture.text(), "in LB_Socket::receive, got an error on recv\n");
}

TEST(LB_SubSocket, ReceiveAllOfNothingReturnsAtOnce) {
    ConnectedPair peer;
    ASSERT_TRUE(peer.open());
    char buffer[1] = {};
    EXPECT_EQ(peer.client.receiveAll(buffer, 0, 1), 0);
}

} // namespace
