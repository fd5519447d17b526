#include "platform/BinarySemaphore.h"
#include "platform/Mutex.h"

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

namespace {

using platform::BinarySemaphore;

TEST(BinarySemaphore, ReleasedByAnotherThread) {
    BinarySemaphore semaphore(false);
    EXPECT_FALSE(semaphore.tryAcquireFor(0));
    std::thread other([&] { semaphore.release(); });
    EXPECT_TRUE(semaphore.tryAcquireFor(10000));
    other.join();
    // The count never exceeds one.
    semaphore.release();
    semaphore.release();
    EXPECT_TRUE(semaphore.tryAcquireFor(0));
    EXPECT_FALSE(semaphore.tryAcquireFor(10));
}

TEST(BinarySemaphore, GuardsACounterAcrossThreads) {
    BinarySemaphore semaphore(true);
    platform::Mutex mutex;
    int viaSemaphore = 0;
    int viaMutex = 0;
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&] {
            for (int i = 0; i < 5000; ++i) {
                semaphore.acquire();
                ++viaSemaphore;
                semaphore.release();
                std::lock_guard<platform::Mutex> guard(mutex);
                ++viaMutex;
            }
        });
    }
    for (std::thread& t : threads) {
        t.join();
    }
    EXPECT_EQ(viaSemaphore, 20000);
    EXPECT_EQ(viaMutex, 20000);
}

} // namespace
