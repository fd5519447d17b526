// The remote poll on its timer thread against a real server on 127.0.0.1.
#include "app/RemotePoll.h"
#include "platform/Clock.h"

#include "tests/support/EventCounter.h"
#include "tests/support/ScriptedHttpServer.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>

namespace {

using namespace std::chrono_literals;
using app::RemotePoll;
using testsupport::ScriptedHttpServer;

// Every request answered with a two-record state file.
void stateFile(int client, int, const std::string&, const std::atomic<bool>&) {
    ScriptedHttpServer::writeAll(client,
                                 "HTTP/1.0 200 OK\r\n\r\n<rvx>\n$007,1,2,3,4,0,5,a,b,Seven*\n"
                                 "$008,1,2,3,4,0,5,a,b,Eight*\n</rvx>\n");
}

RemotePoll::Settings settings(int port, bool enabled, double periodSeconds) {
    RemotePoll::Settings s;
    s.enabled = enabled;
    s.periodTicks =
        static_cast<int64_t>(periodSeconds * static_cast<double>(platform::Clock::frequency()));
    s.host = "127.0.0.1";
    s.port = port;
    s.path = "/state.txt";
    return s;
}

struct Poll {
    testsupport::EventCounter wakes;
    RemotePoll poll{platform::Clock::frequency(), platform::Clock::counter(),
                    [this] { wakes.add(); }};
};

TEST(RemotePoll, DelayFollowsThePeriodUntilStopped) {
    Poll p;
    for (const auto& [seconds, ms] : {std::pair{10.0, 10000}, {1.0, 1000}, {0.2, 200}}) {
        p.poll.publish(settings(0, false, seconds));
        EXPECT_NE(p.poll.arm(), 0u);
        EXPECT_EQ(p.poll.delayMs(), ms);
    }
    p.poll.stop();
    EXPECT_EQ(p.poll.arm(), 0u); // a stopped poll stays stopped
}

// Off, the timer fires without fetching; switched on while running, the next firing fetches,
// the fetches stay one period apart, and each result is taken once.
TEST(RemotePoll, SwitchTurnedOnWhileRunningIsSeenAtTheNextFiring) {
    ScriptedHttpServer server(stateFile);
    Poll p;
    p.poll.publish(settings(server.port(), false, 0.05));
    ASSERT_NE(p.poll.arm(), 0u);
    EXPECT_FALSE(p.wakes.waitFor(1, 300ms));
    EXPECT_EQ(server.accepted(), 0);

    p.poll.publish(settings(server.port(), true, 0.2));
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(p.wakes.waitFor(3, 10s));
    EXPECT_GE(std::chrono::steady_clock::now() - start, 400ms);
    p.poll.stop();
    const auto results = p.poll.takeResults();
    ASSERT_GE(results.size(), 3u);
    EXPECT_TRUE(results[0].connected);
    ASSERT_EQ(results[0].lines.size(), 2u);
    EXPECT_EQ(results[0].lines[1], "$008,1,2,3,4,0,5,a,b,Eight*\n");
    EXPECT_TRUE(p.poll.takeResults().empty());
}

TEST(RemotePoll, FailedFetchIsReportedAndTheTimerGoesOn) {
    Poll p;
    p.poll.setFetchTimeouts(500, 500, 1000);
    p.poll.publish(settings(1, true, 0.05)); // nobody listens on port 1
    p.poll.arm();
    ASSERT_TRUE(p.wakes.waitFor(2, 10s)); // failed twice: re-armed after a failure
    p.poll.stop();
    const auto results = p.poll.takeResults();
    ASSERT_GE(results.size(), 2u);
    EXPECT_FALSE(results[0].connected);
    EXPECT_TRUE(results[0].lines.empty());
}

TEST(RemotePoll, StopWhileAFetchHangs) {
    // A server that takes the connection and never answers.
    ScriptedHttpServer silent([](int, int, const std::string&, const std::atomic<bool>& stop) {
        while (!stop) {
            std::this_thread::sleep_for(5ms);
        }
    });
    Poll p;
    // Time-outs far beyond the test's limit: only the stop can end the fetch in time.
    p.poll.setFetchTimeouts(30000, 30000, 60000);
    p.poll.publish(settings(silent.port(), true, 0.01));
    p.poll.arm();
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    while (silent.requests().empty() && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(5ms);
    }
    ASSERT_FALSE(silent.requests().empty());
    const auto start = std::chrono::steady_clock::now();
    p.poll.stop();
    EXPECT_LT(std::chrono::steady_clock::now() - start, 10s);
}

} // namespace
