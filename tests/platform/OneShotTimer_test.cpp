#include "platform/OneShotTimer.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace {

using namespace std::chrono_literals;
using platform::OneShotTimer;

// A condition to wait for with a deadline, set from any thread.
class Flag {
public:
    void set() {
        std::lock_guard<std::mutex> g(m_);
        value_ = true;
        cv_.notify_all();
    }
    bool waitFor(std::chrono::milliseconds limit) {
        std::unique_lock<std::mutex> l(m_);
        return cv_.wait_for(l, limit, [this] { return value_; });
    }
    bool isSet() {
        std::lock_guard<std::mutex> g(m_);
        return value_;
    }

private:
    std::mutex m_;
    std::condition_variable cv_;
    bool value_ = false;
};

TEST(OneShotTimer, FiresOnceOnItsOwnThread) {
    OneShotTimer timer;
    Flag fired;
    std::atomic<int> calls{0};
    std::thread::id callbackThread;
    const auto start = std::chrono::steady_clock::now();
    std::chrono::steady_clock::duration waited{};
    const uint32_t id = timer.arm(50, [&] {
        waited = std::chrono::steady_clock::now() - start;
        callbackThread = std::this_thread::get_id();
        ++calls;
        fired.set();
    });
    EXPECT_NE(id, 0u);
    ASSERT_TRUE(fired.waitFor(5s));
    EXPECT_GE(waited, 50ms);
    EXPECT_NE(callbackThread, std::this_thread::get_id());
    timer.cancel();
    EXPECT_EQ(calls.load(), 1);
    EXPECT_FALSE(timer.isPending());
}

TEST(OneShotTimer, RearmsFromInsideTheCallback) {
    OneShotTimer timer;
    Flag third;
    std::atomic<int> calls{0};
    std::function<void()> poll = [&] {
        if (++calls < 3) {
            EXPECT_NE(timer.arm(1, poll), 0u);
        } else {
            third.set();
        }
    };
    const uint32_t first = timer.arm(1, poll);
    ASSERT_TRUE(third.waitFor(5s));
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
    EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);
    EXPECT_FALSE(timer.isPending());
    EXPECT_EQ(timer.arm(0, [&] { ++calls; }), 0u);
    EXPECT_EQ(calls.load(), 0);
}

TEST(OneShotTimer, CancelWaitsForTheRunningCallback) {
    OneShotTimer timer;
    Flag started;
    Flag release;
    std::atomic<bool> finished{false};
    std::atomic<uint32_t> rearmed{99};
    ASSERT_NE(timer.arm(0,
                        [&] {
                            started.set();
                            release.waitFor(10s);
                            finished = true;
                            rearmed = timer.arm(0, [] {});
                        }),
              0u);
    ASSERT_TRUE(started.waitFor(5s));

    std::atomic<bool> finishedWhenCancelReturned{false};
    Flag cancelReturned;
    std::thread canceller([&] {
        timer.cancel();
        finishedWhenCancelReturned = finished.load();
        cancelReturned.set();
    });
    // Whatever the interleaving, cancel may only return after the callback.
    EXPECT_FALSE(cancelReturned.waitFor(50ms));
    release.set();
    ASSERT_TRUE(cancelReturned.waitFor(5s));
    canceller.join();
    EXPECT_TRUE(finishedWhenCancelReturned.load());
    EXPECT_EQ(rearmed.load(), 0u); // the re-arm after cancel was refused
    EXPECT_FALSE(timer.isPending());
}

TEST(OneShotTimer, CancelFromInsideTheCallback) {
    Flag done;
    {
        OneShotTimer timer;
        ASSERT_NE(timer.arm(0,
                            [&] {
                                timer.cancel();
                                EXPECT_EQ(timer.arm(0, [] {}), 0u);
                                done.set();
                            }),
                  0u);
        ASSERT_TRUE(done.waitFor(5s));
    } // the destructor joins the thread
    SUCCEED();
}

TEST(OneShotTimer, DisarmAndReplace) {
    OneShotTimer timer;
    std::atomic<int> first{0};
    std::atomic<int> second{0};
    Flag secondFired;
    ASSERT_NE(timer.arm(60000, [&] { ++first; }), 0u);
    timer.disarm();
    EXPECT_FALSE(timer.isPending());

    const uint32_t a = timer.arm(60000, [&] { ++first; });
    const uint32_t b = timer.arm(0, [&] {
        ++second;
        secondFired.set();
    });
    EXPECT_NE(a, b);
    ASSERT_TRUE(secondFired.waitFor(5s));
    timer.cancel();
    EXPECT_EQ(first.load(), 0);
    EXPECT_EQ(second.load(), 1);
}

TEST(OneShotTimer, RefusesBadArguments) {
    OneShotTimer timer;
    EXPECT_EQ(timer.arm(-1, [] {}), 0u);
    EXPECT_EQ(timer.arm(10, nullptr), 0u);
    EXPECT_FALSE(timer.isPending());
}

TEST(OneShotTimer, DestroyedWhilePending) {
    std::atomic<int> calls{0};
    {
        OneShotTimer timer;
        timer.arm(60000, [&] { ++calls; });
    }
    EXPECT_EQ(calls.load(), 0);
}

} // namespace
