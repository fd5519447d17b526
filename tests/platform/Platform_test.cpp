#include "platform/BinarySemaphore.h"
#include "platform/Calendar.h"
#include "platform/Clock.h"
#include "platform/ManualClock.h"
#include "platform/Mutex.h"
#include "platform/OneShotTimer.h"
#include "platform/Path.h"

#include "tests/support/EventCounter.h"
#include "tests/support/ZoneGuard.h"

#include <gtest/gtest.h>

#include <ctime>
#include <memory>
#include <thread>
#include <vector>

using namespace std::chrono_literals;

// Local seconds in the zone, derived fields filled, fields normalised, 1969 no failure.
TEST(Calendar, ConvertsInTheLocalZone) {
    const struct {
        const char* zone; // in: y m d h m s as written; out: year mon mday sec wday yday isdst
        std::vector<int> in, out;
        int64_t seconds;
    } cases[] = {
        {"UTC", {2004, 6, 15, 12, 34, 56}, {104, 5, 15, 56, 2, 166, 0}, 1087302896},
        {"UTC", {2004, 12, 31, 23, 59, 60}, {105, 0, 1, 0, 6, 0, 0}, 1104537600},
        {"America/Los_Angeles", {2004, 6, 15, 12, 34, 56}, {104, 5, 15, 56, 2, 166, 1}, 1087328096},
        {"UTC", {1969, 12, 31, 23, 59, 59}, {69, 11, 31, 59, 3, 364, 0}, -1},
    };
    for (const auto& c : cases) {
        testsupport::ZoneGuard zone(c.zone);
        platform::Calendar o;
        o.year = c.in[0] - 1900, o.mon = c.in[1] - 1, o.mday = c.in[2];
        o.hour = c.in[3], o.min = c.in[4], o.sec = c.in[5], o.isdst = -1;
        int64_t seconds = 0;
        EXPECT_TRUE(o.toLocalSeconds(seconds) && seconds == c.seconds) << seconds;
        EXPECT_EQ(std::vector<int>({o.year, o.mon, o.mday, o.sec, o.wday, o.yday, o.isdst}), c.out);
    }
}

// The system clock by default; a manual one while installed.
TEST(Clock, SystemClockOrAnInstalledManualOne) {
    platform::ManualClock manual(1000);
    manual.setCounter(42);
    manual.setTime(1000, 250);
    for (platform::ManualClock* source : {&manual, static_cast<platform::ManualClock*>(nullptr)}) {
        platform::Clock::setSource(source);
        const int64_t counter = platform::Clock::counter();
        EXPECT_EQ(counter == 42 && platform::Clock::now().millitm == 250, source != nullptr);
        EXPECT_TRUE(counter <= platform::Clock::counter() && platform::Clock::frequency() >= 1000);
        EXPECT_NEAR(platform::Clock::now().time, source ? 1000 : std::time(nullptr), 2);
    }
}

TEST(Path, SplitTable) {
    const std::pair<const char*, const char*> cases[] = {{"/maps/site.cfg", "|/maps/|site|.cfg"},
                                                         {"site.cfg", "||site|.cfg"},
                                                         {"conf/site", "|conf/|site|"},
                                                         {"a.b/c.d.e", "|a.b/|c.d|.e"},
                                                         {"/maps/.hidden", "|/maps/|.hidden|"},
                                                         {"/maps/", "|/maps/||"},
                                                         {"", "|||"},
                                                         {"/root.cfg", "|/|root|.cfg"}};
    for (const auto& [path, parts] : cases) {
        const platform::Path::Parts p = platform::Path::split(path);
        EXPECT_EQ(p.drive + "|" + p.directory + "|" + p.fileName + "|" + p.extension, parts);
    }
}

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

// The count never exceeds one; released by another thread, it guards a counter, as the mutex.
TEST(BinarySemaphore, CountsToOneAndGuardsACounter) {
    platform::BinarySemaphore semaphore(false);
    EXPECT_FALSE(semaphore.tryAcquireFor(0));
    semaphore.release();
    EXPECT_TRUE(semaphore.tryAcquireFor(0));
    EXPECT_FALSE(semaphore.tryAcquireFor(10));
    semaphore.release();
    platform::Mutex mutex;
    int counted = 0, locked = 0;
    const auto count = [&] {
        for (int i = 0; i < 10000; ++i) {
            semaphore.acquire();
            ++counted;
            semaphore.release();
            std::lock_guard<platform::Mutex> guard(mutex);
            ++locked;
        }
    };
    std::thread other(count);
    count();
    other.join();
    EXPECT_EQ(counted + locked, 40000);
}
