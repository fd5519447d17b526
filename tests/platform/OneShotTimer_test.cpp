#include "platform/OneShotTimer.h"

#include "tests/support/EventCounter.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace {

using namespace std::chrono_literals;
using platform::OneShotTimer;

using testsupport::EventCounter;

TEST(OneShotTimer, FiresOnceOnItsOwnThread) {
    OneShotTimer timer;
    EventCounter fired;
    std::atomic<int> calls{0};
    std::thread::id callbackThread;
    const auto start = std::chrono::steady_clock::now();
    std::chrono::steady_clock::duration waited{};
    const uint32_t id = timer.arm(50, [&] {
        waited = std::chrono::steady_clock::now() - start;
        callbackThread = std::this_thread::get_id();
        ++calls;
        fired.add();
    });
    EXPECT_NE(id, 0u);
    ASSERT_TRUE(fired.waitFor(1, 10s));
    EXPECT_GE(waited, 50ms);
    EXPECT_NE(callbackThread, std::this_thread::get_id());
    timer.cancel();
    EXPECT_EQ(calls.load(), 1);
    EXPECT_FALSE(timer.isPending());
}

TEST(OneShotTimer, RearmsFromInsideTheCallback) {
    OneShotTimer timer;
    EventCounter third;
    std::atomic<int> calls{0};
    std::function<void()> poll = [&] {
        if (++calls < 3) {
            EXPECT_NE(timer.arm(1, poll), 0u);
        } else {
            third.add();
        }
    };
    const uint32_t first = timer.arm(1, poll);
    ASSERT_TRUE(third.waitFor(1, 10s));
    timer.cancel();
    EXPECT_EQ(calls.load(), 3);
    EXPECT_NE(first, 0u);
}

TEST(OneShotTimer, CancelWhilePendingNeverCalls) {
    std::atomic<int> calls{0};
    OneShotTimer timer;
    ASSERT_NE(timer.arm(60000, [&] { ++calls; }), 0u);
    EXPECT_TRUE(timer.isPending());
    const auto start = std::chrono::steady_clock::now();
    timer.cancel();
    EXPECT_LT(std::chrono::steady_clock::now() - start, 10s);
    EXPECT_FALSE(timer.isPending());
    EXPECT_EQ(timer.arm(0, [&] { ++calls; }), 0u);
    OneShotTimer other;
    EXPECT_EQ(other.arm(-1, [] {}), 0u);
    EXPECT_EQ(other.arm(10, nullptr), 0u);
    EXPECT_FALSE(other.isPending());
    {
        OneShotTimer destroyed; // while pending
        destroyed.arm(60000, [&] { ++calls; });
    }
    EXPECT_EQ(calls.load(), 0);
}

TEST(OneShotTimer, CancelWaitsForTheRunningCallback) {
    OneShotTimer timer;
    EventCounter started;
    EventCounter release;
    std::atomic<bool> finished{false};
    std::atomic<uint32_t> rearmed{99};
    ASSERT_NE(timer.arm(0,
                        [&] {
                            started.add();
                            release.waitFor(1, 10s);
                            finished = true;
                            rearmed = timer.arm(0, [] {});
                        }),
              0u);
    ASSERT_TRUE(started.waitFor(1, 10s));

    std::atomic<bool> finishedWhenCancelReturned{false};
    EventCounter cancelReturned;
    std::thread canceller([&] {
        timer.cancel();
        finishedWhenCancelReturned = finished.load();
        cancelReturned.add();
    });
    // Whatever the interleaving, cancel may only return after the callback.
    EXPECT_FALSE(cancelReturned.waitFor(1, 50ms));
    release.add();
    ASSERT_TRUE(cancelReturned.waitFor(1, 10s));
    canceller.join();
    EXPECT_TRUE(finishedWhenCancelReturned.load());
    EXPECT_EQ(rearmed.load(), 0u); // the re-arm after cancel was refused
    EXPECT_FALSE(timer.isPending());
}

TEST(OneShotTimer, CancelFromInsideTheCallback) {
    EventCounter done;
    {
        OneShotTimer timer;
        ASSERT_NE(timer.arm(0,
                            [&] {
                                timer.cancel();
                                EXPECT_EQ(timer.arm(0, [] {}), 0u);
                                done.add();
                            }),
                  0u);
        ASSERT_TRUE(done.waitFor(1, 10s));
    } // the destructor joins the thread
}

TEST(OneShotTimer, DisarmAndReplace) {
    OneShotTimer timer;
    std::atomic<int> first{0};
    std::atomic<int> second{0};
    EventCounter secondFired;
    // Disarmed while its thread waits for the due time, it stays silent past
    // it: another timer marks both moments.
    ASSERT_NE(timer.arm(300, [&] { ++first; }), 0u);
    OneShotTimer marks;
    EventCounter marked;
    ASSERT_NE(marks.arm(100, [&] { marked.add(); }), 0u);
    ASSERT_TRUE(marked.waitFor(1, 10s));
    timer.disarm();
    EXPECT_FALSE(timer.isPending());
    ASSERT_NE(marks.arm(400, [&] { marked.add(); }), 0u);
    ASSERT_TRUE(marked.waitFor(2, 10s));

    const uint32_t a = timer.arm(60000, [&] { ++first; });
    const uint32_t b = timer.arm(0, [&] {
        ++second;
        secondFired.add();
    });
    EXPECT_NE(a, b);
    ASSERT_TRUE(secondFired.waitFor(1, 10s));
    timer.cancel();
    EXPECT_EQ(first.load(), 0);
    EXPECT_EQ(second.load(), 1);
}

} // namespace
