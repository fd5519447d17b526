#include "platform/BinarySemaphore.h"
#include "platform/OneShotTimer.h"

#include "tests/support/EventCounter.h"

#include <gtest/gtest.h>

#include <memory>
#include <thread>

using namespace std::chrono_literals;

// Fires once after its delay on its own thread, again re-armed from inside; a new arm replaces
// a pending one; disarmed, cancelled (also from inside), destroyed or armed badly it never calls.
TEST(OneShotTimer, FiresOnceUnlessReplacedDisarmedOrCancelled) {
    platform::OneShotTimer timer, marks;
    testsupport::EventCounter fired, marked;
    std::atomic<int> calls = 0, stale = 0;
    const auto start = std::chrono::steady_clock::now();
    const std::thread::id test = std::this_thread::get_id();
    std::function<void()> callback = [&] {
        EXPECT_TRUE(std::chrono::steady_clock::now() - start >= 50ms &&
                    std::this_thread::get_id() != test);
        EXPECT_TRUE(++calls == 3 || timer.arm(1, callback) != 0);
        fired.add();
    };
    const auto late = [&] { ++stale; };
    ASSERT_NE(timer.arm(50, callback), 0u);
    ASSERT_TRUE(fired.waitFor(3, 10s));
    EXPECT_FALSE(fired.waitFor(4, 100ms) || timer.isPending());
    ASSERT_NE(timer.arm(300, late) * marks.arm(100, [&] { marked.add(); }), 0u);
    ASSERT_TRUE(marked.waitFor(1, 10s));
    timer.disarm();
    ASSERT_NE(marks.arm(400, [&] { marked.add(); }), 0u);
    ASSERT_TRUE(marked.waitFor(2, 10s));
    const uint32_t replaced = timer.arm(60000, late);
    EXPECT_NE(timer.arm(0, [&] { fired.add(); }), replaced);
    ASSERT_TRUE(fired.waitFor(4, 10s));
    EXPECT_EQ(timer.arm(-1, late) + timer.arm(10, nullptr), 0u);
    ASSERT_NE(timer.arm(60000, late), 0u);
    timer.cancel();
    EXPECT_EQ(timer.arm(0, late), 0u);
    std::make_unique<platform::OneShotTimer>()->arm(60000, late); // destroyed while pending
    ASSERT_NE(marks.arm(0, [&] { marks.cancel(), stale += marks.arm(0, late), marked.add(); }), 0u);
    ASSERT_TRUE(marked.waitFor(3, 10s));
    EXPECT_EQ(stale, 0);
}

// A cancel returns only after the running callback, whose re-arm after it is refused.
TEST(OneShotTimer, CancelWaitsForTheRunningCallback) {
    platform::OneShotTimer timer;
    testsupport::EventCounter started, release;
    std::atomic<bool> finished = false, finishedFirst = false;
    std::atomic<uint32_t> rearmed = 99;
    const auto callback = [&] {
        started.add();
        release.waitFor(1, 10s);
        finished = true;
        rearmed = timer.arm(0, [] {});
    };
    ASSERT_NE(timer.arm(0, callback), 0u);
    ASSERT_TRUE(started.waitFor(1, 10s));
    std::thread canceller([&] {
        timer.cancel();
        finishedFirst = finished.load();
    });
    std::this_thread::sleep_for(50ms); // a cancel that does not wait returns meanwhile
    release.add();
    canceller.join();
    EXPECT_TRUE(finishedFirst);
    EXPECT_EQ(rearmed, 0u);
}

// The count never exceeds one; released by another thread, it guards a counter.
TEST(BinarySemaphore, CountsToOneAndGuardsACounter) {
    platform::BinarySemaphore semaphore(false);
    EXPECT_FALSE(semaphore.tryAcquireFor(0));
    semaphore.release();
    EXPECT_TRUE(semaphore.tryAcquireFor(0));
    EXPECT_FALSE(semaphore.tryAcquireFor(10));
    semaphore.release();
    int counted = 0;
    const auto count = [&] {
        for (int i = 0; i < 10000; ++i, semaphore.release()) {
            semaphore.acquire();
            ++counted;
        }
    };
    std::thread other(count);
    count();
    other.join();
    EXPECT_EQ(counted, 20000);
}
