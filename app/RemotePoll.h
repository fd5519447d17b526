#pragma once

#include "inputs/StateFetch.h"
#include "platform/OneShotTimer.h"

#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace app {

// The remote state poll: a one-shot timer that re-arms itself every period
// and, when the remote input is on and due, fetches the state file over HTTP
// on the timer's thread. It never touches the node table or a widget: the
// main thread publishes what the poll needs at every tick, and takes the
// fetched lines back to apply them where the table lives. Each finished
// fetch wakes the main loop.
//
// publish, arm, takeResults and stop run on the main thread; the poll itself
// on the timer thread.
class RemotePoll {
public:
    struct Settings {
        bool enabled = false;
        int64_t periodTicks = 0; // the remote rate's period in counter ticks
        std::string host;
        int port = 0;
        std::string path;
    };
    struct Result {
        bool connected = false;
        std::vector<std::string> lines;
    };

    // The poll first comes due one period after `lastRun` (counter ticks).
    RemotePoll(int64_t frequency, int64_t lastRun, std::function<void()> wake);
    ~RemotePoll();
    RemotePoll(const RemotePoll&) = delete;
    RemotePoll& operator=(const RemotePoll&) = delete;

    void publish(const Settings& settings);
    // Starts the one-shot timer with the delay trunc(period x 1000 / frequency)
    // milliseconds; returns the timer's identifier, 0 when it could not start
    // (then the poll stops).
    uint32_t arm();
    int64_t delayMs() const;
    uint32_t timerId() const;

    // The fetches finished since the last call, oldest first.
    std::vector<Result> takeResults();
    int64_t lastRun() const;

    // Cancels a fetch in progress and the timer, and waits for a poll that is
    // running. No poll runs afterwards.
    void stop();

    // One firing of the timer: fetch when on and due, then arm again.
    void poll();
    void setFetchTimeouts(int connectMs, int receiveMs, int deadlineMs);

private:
    int64_t frequency_;
    std::function<void()> wake_;
    mutable std::mutex mutex_;
    Settings settings_;
    int64_t lastRun_;
    int64_t delayMs_ = 0;
    uint32_t timerId_ = 0;
    std::vector<Result> results_;
    inputs::StateFetch fetch_;
    platform::OneShotTimer timer_;
};

} // namespace app
