// The remote poll on its timer thread against a real server on 127.0.0.1.
#include "app/RemotePoll.h"
#include "net/LB_SSubSocket.h"
#include "net/LB_Socket.h"
#include "platform/Clock.h"

#include "tests/support/EventCounter.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

namespace {

using namespace std::chrono_literals;
using app::RemotePoll;

// Answers every request with a two-record state file and counts requests.
class StateServer {
public:
    StateServer() {
        server_.setLocalAddress("127.0.0.1");
        server_.openTcpServer(0, 0, &StateServer::serve, this);
    }
    ~StateServer() { server_.close(); }
    int port() const { return server_.port(); }
    int requests() const { return requests_.load(); }

private:
    static void serve(LB_SSubSocket* client, void* self) {
        std::string request;
        char buffer[256];
        while (request.find("\r\n\r\n") == std::string::npos) {
            const int n = client->receive(buffer, sizeof buffer, 1);
            if (n <= 0) {
                return;
            }
            request.append(buffer, static_cast<size_t>(n));
        }
        static_cast<StateServer*>(self)->requests_.fetch_add(1);
        const std::string reply = "HTTP/1.0 200 OK\r\n\r\n<rvx>\n$007,1,2,3,4,0,5,a,b,Seven*\n"
                                  "$008,1,2,3,4,0,5,a,b,Eight*\n</rvx>\n";
        client->send(reply.data(), static_cast<int>(reply.size()), 0);
    }

    LB_Socket server_;
    std::atomic<int> requests_{0};
};

using Wakes = testsupport::EventCounter;

RemotePoll::Settings settingsFor(const StateServer& server, bool enabled, double periodSeconds) {
    RemotePoll::Settings settings;
    settings.enabled = enabled;
    settings.periodTicks =
        static_cast<int64_t>(periodSeconds * static_cast<double>(platform::Clock::frequency()));
    settings.host = "127.0.0.1";
    settings.port = server.port();
    settings.path = "/state.txt";
    return settings;
}

TEST(RemotePoll, DelayFollowsThePeriod) {
    const int64_t f = platform::Clock::frequency();
    RemotePoll poll(f, platform::Clock::counter(), nullptr);
    struct Case {
        double seconds;
        int64_t delayMs;
    };
    for (const Case c : {Case{10.0, 10000}, Case{60.0, 60000}, Case{1.0, 1000}, Case{0.2, 200}}) {
        RemotePoll::Settings settings;
        settings.periodTicks = static_cast<int64_t>(c.seconds * static_cast<double>(f));
        poll.publish(settings);
        EXPECT_NE(poll.arm(), 0u);
        EXPECT_EQ(poll.delayMs(), c.delayMs);
    }
    poll.stop();
    EXPECT_EQ(poll.arm(), 0u); // a stopped poll stays stopped
}

TEST(RemotePoll, SwitchTurnedOnWhileRunningIsSeenAtTheNextFiring) {
    StateServer server;
    Wakes wakes;
    RemotePoll poll(platform::Clock::frequency(), platform::Clock::counter(), [&] { wakes.add(); });
    poll.publish(settingsFor(server, false, 0.05));
    ASSERT_NE(poll.arm(), 0u);
    EXPECT_FALSE(wakes.waitFor(1, 300ms)); // off: several firings, no fetch
    EXPECT_EQ(server.requests(), 0);

    poll.publish(settingsFor(server, true, 0.05));
    ASSERT_TRUE(wakes.waitFor(2, 10s));
    poll.stop();
    const auto results = poll.takeResults();
    ASSERT_GE(results.size(), 2u);
    EXPECT_TRUE(results[0].connected);
    ASSERT_EQ(results[0].lines.size(), 2u);
    EXPECT_EQ(results[0].lines[1], "$008,1,2,3,4,0,5,a,b,Eight*\n");
    EXPECT_TRUE(poll.takeResults().empty());
    EXPECT_GE(server.requests(), 2);
}

TEST(RemotePoll, FailedFetchIsReportedAndTheTimerGoesOn) {
    Wakes wakes;
    RemotePoll poll(platform::Clock::frequency(), platform::Clock::counter(), [&] { wakes.add(); });
    poll.setFetchTimeouts(500, 500, 1000);
    RemotePoll::Settings settings;
    settings.enabled = true;
    settings.periodTicks = platform::Clock::frequency() / 20;
    settings.host = "127.0.0.1";
    settings.port = 1; // nobody listens there
    settings.path = "/state.txt";
    poll.publish(settings);
    poll.arm();
    ASSERT_TRUE(wakes.waitFor(2, 10s)); // failed twice: re-armed after a failure
    poll.stop();
    const auto results = poll.takeResults();
    ASSERT_GE(results.size(), 2u);
    EXPECT_FALSE(results[0].connected);
    EXPECT_TRUE(results[0].lines.empty());
}

TEST(RemotePoll, PollsStayOnePeriodApart) {
    StateServer server;
    Wakes wakes;
    const int64_t f = platform::Clock::frequency();
    RemotePoll poll(f, platform::Clock::counter(), [&] { wakes.add(); });
    poll.publish(settingsFor(server, true, 0.2));
    const auto start = std::chrono::steady_clock::now();
    poll.arm();
    ASSERT_TRUE(wakes.waitFor(3, 10s));
    poll.stop();
    // Three fetches, each at least one period after the previous one.
    EXPECT_GE(std::chrono::steady_clock::now() - start, 600ms);
}

TEST(RemotePoll, StopWhileAFetchHangs) {
    // A server that takes the connection and never answers.
    LB_Socket silent;
    silent.setLocalAddress("127.0.0.1");
    std::atomic<bool> connected{false};
    silent.openTcpServer(
        0, 0,
        [](LB_SSubSocket* client, void* flag) {
            static_cast<std::atomic<bool>*>(flag)->store(true);
            char byte;
            while (client->receive(&byte, 1, 1) > 0) {
            }
        },
        &connected);
    RemotePoll poll(platform::Clock::frequency(), platform::Clock::counter(), nullptr);
    // Time-outs far beyond the test's limit: only the stop can end the fetch in time.
    poll.setFetchTimeouts(30000, 30000, 60000);
    RemotePoll::Settings settings;
    settings.enabled = true;
    settings.periodTicks = platform::Clock::frequency() / 100;
    settings.host = "127.0.0.1";
    settings.port = silent.port();
    settings.path = "/state.txt";
    poll.publish(settings);
    poll.arm();
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    while (!connected.load() && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(5ms);
    }
    ASSERT_TRUE(connected.load());
    const auto start = std::chrono::steady_clock::now();
    poll.stop();
    EXPECT_LT(std::chrono::steady_clock::now() - start, 10s);
    silent.close();
}

} // namespace
