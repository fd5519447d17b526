// The remote poll on its timer thread against a real server on 127.0.0.1.
#include "app/RemotePoll.h"
#include "platform/Clock.h"

#include "tests/support/EventCounter.h"
#include "tests/support/ScriptedHttpServer.h"
#include "tests/support/WaitUntil.h"

#include <gtest/gtest.h>

#include <thread>

namespace {

using namespace std::chrono_literals;
using app::RemotePoll;
using testsupport::ScriptedHttpServer;

struct Poll {
    void publish(int port, bool enabled, double seconds) {
        const auto ticks = static_cast<double>(platform::Clock::frequency()) * seconds;
        poll.publish({enabled, static_cast<int64_t>(ticks), "127.0.0.1", port, "/state.txt"});
    }
    testsupport::EventCounter wakes;
    RemotePoll poll{platform::Clock::frequency(), platform::Clock::counter(),
                    [this] { wakes.add(); }};
};

// The delay follows the period; off, the timer fires without fetching; switched on while
// running, the next firing fetches, one period apart, each result taken once; a stopped poll
// stays stopped.
TEST(RemotePoll, FetchesOncePerPeriodWhileOn) {
    ScriptedHttpServer server([](int client, int, const std::string&, const std::atomic<bool>&) {
        ScriptedHttpServer::writeAll(client, "HTTP/1.0 200 OK\r\n\r\n<rvx>\n$007,1,2,3,4,0,5,a,b,"
                                             "Seven*\n$008,1,2,3,4,0,5,a,b,Eight*\n</rvx>\n");
    });
    Poll p;
    for (const auto& [seconds, ms] : {std::pair{10.0, 10000}, {0.2, 200}, {0.05, 50}}) {
        p.publish(server.port(), false, seconds);
        EXPECT_NE(p.poll.arm(), 0u);
        EXPECT_EQ(p.poll.delayMs(), ms);
    }
    EXPECT_FALSE(p.wakes.waitFor(1, 300ms));
    EXPECT_EQ(server.accepted(), 0);
    p.publish(server.port(), true, 0.2);
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(p.wakes.waitFor(3, 10s));
    EXPECT_GE(std::chrono::steady_clock::now() - start, 400ms);
    p.poll.stop();
    EXPECT_EQ(p.poll.arm(), 0u);
    const auto results = p.poll.takeResults();
    ASSERT_GE(results.size(), 3u);
    EXPECT_TRUE(results[0].connected);
    ASSERT_EQ(results[0].lines.size(), 2u);
    EXPECT_EQ(results[0].lines[1], "$008,1,2,3,4,0,5,a,b,Eight*\n");
    EXPECT_TRUE(p.poll.takeResults().empty());
}

// A stop ends a fetch the server leaves hanging, with time-outs far beyond the test's limit.
// (That a failed fetch re-arms the timer and still marks the states is the window's test.)
TEST(RemotePoll, StopWhileAFetchHangs) {
    ScriptedHttpServer silent([](int, int, const std::string&, const std::atomic<bool>& stop) {
        while (!stop) {
            std::this_thread::sleep_for(5ms);
        }
    });
    Poll p;
    p.poll.setFetchTimeouts(30000, 30000, 60000);
    p.publish(silent.port(), true, 0.01);
    p.poll.arm();
    ASSERT_TRUE(testsupport::waitUntil([&] { return !silent.requests().empty(); }));
    const auto start = std::chrono::steady_clock::now();
    p.poll.stop();
    EXPECT_LT(std::chrono::steady_clock::now() - start, 10s);
}

} // namespace
