#include "platform/OneShotTimer.h"

#include "tests/support/EventCounter.h"

#include <gtest/gtest.h>

#include <thread>

namespace {

using namespace std::chrono_literals;
using platform::OneShotTimer;
using testsupport::EventCounter;

// Fires once, after its delay, on a thread of its own; re-armed from inside the callback it
// fires again; a new arm replaces a pending one, a disarmed one stays silent past its time.
TEST(OneShotTimer, FiresOnceRearmsAndReplaces) {
    OneShotTimer timer, marks;
    EventCounter fired, marked;
    std::atomic<int> calls = 0, stale = 0;
    const auto start = std::chrono::steady_clock::now();
    const std::thread::id test = std::this_thread::get_id();
    std::function<void()> callback = [&] {
        EXPECT_GE(std::chrono::steady_clock::now() - start, 50ms);
        EXPECT_NE(std::this_thread::get_id(), test);
        EXPECT_TRUE(++calls == 3 || timer.arm(1, callback) != 0);
        fired.add();
    };
    ASSERT_NE(timer.arm(50, callback), 0u);
    ASSERT_TRUE(fired.waitFor(3, 10s));
    EXPECT_FALSE(fired.waitFor(4, 100ms));
    EXPECT_FALSE(timer.isPending());

    ASSERT_NE(timer.arm(300, [&] { ++stale; }), 0u);
    ASSERT_NE(marks.arm(100, [&] { marked.add(); }), 0u);
    ASSERT_TRUE(marked.waitFor(1, 10s));
    timer.disarm(); // while its thread waits for the due time
    EXPECT_FALSE(timer.isPending());
    ASSERT_NE(marks.arm(400, [&] { marked.add(); }), 0u);
    ASSERT_TRUE(marked.waitFor(2, 10s));
    const uint32_t replaced = timer.arm(60000, [&] { ++stale; });
    EXPECT_NE(timer.arm(0, [&] { fired.add(); }), replaced);
    ASSERT_TRUE(fired.waitFor(4, 10s));
    timer.cancel();
    EXPECT_EQ(stale, 0);
}

// A cancel, from outside while pending or from inside the callback, stops it for good and
// returns at once; so does the destructor; bad arms are refused.
TEST(OneShotTimer, CancelledOrRefusedNeverCalls) {
    std::atomic<int> calls = 0;
    OneShotTimer timer, other;
    ASSERT_NE(timer.arm(60000, [&] { ++calls; }), 0u);
    EXPECT_TRUE(timer.isPending());
    timer.cancel();
    EXPECT_FALSE(timer.isPending());
    EXPECT_EQ(timer.arm(0, [&] { ++calls; }), 0u);
    EXPECT_EQ(other.arm(-1, [] {}), 0u);
    EXPECT_EQ(other.arm(10, nullptr), 0u);
    {
        OneShotTimer destroyed; // while pending
        destroyed.arm(60000, [&] { ++calls; });
    }
    EventCounter done;
    ASSERT_NE(other.arm(0,
                        [&] {
                            other.cancel();
                            EXPECT_EQ(other.arm(0, [&] { ++calls; }), 0u);
                            done.add();
                        }),
              0u);
    ASSERT_TRUE(done.waitFor(1, 10s));
    EXPECT_EQ(calls, 0);
}

// Whatever the interleaving, a cancel returns only after the running callback, whose re-arm
// after the cancel is refused.
TEST(OneShotTimer, CancelWaitsForTheRunningCallback) {
    OneShotTimer timer;
    EventCounter started, release, cancelled;
    std::atomic<bool> finished = false, finishedFirst = false;
    std::atomic<uint32_t> rearmed = 99;
    ASSERT_NE(timer.arm(0,
                        [&] {
                            started.add();
                            release.waitFor(1, 10s);
                            finished = true;
                            rearmed = timer.arm(0, [] {});
                        }),
              0u);
    ASSERT_TRUE(started.waitFor(1, 10s));
    std::thread canceller([&] {
        timer.cancel();
        finishedFirst = finished.load();
        cancelled.add();
    });
    EXPECT_FALSE(cancelled.waitFor(1, 50ms));
    release.add();
    canceller.join();
    EXPECT_TRUE(finishedFirst);
    EXPECT_EQ(rearmed, 0u);
}

} // namespace
