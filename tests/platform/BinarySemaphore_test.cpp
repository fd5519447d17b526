#include "platform/BinarySemaphore.h"
#include "platform/Mutex.h"

#include <gtest/gtest.h>

#include <mutex>
#include <thread>
#include <vector>

// Released by another thread; the count never exceeds one; it and the mutex guard a counter.
TEST(BinarySemaphore, ReleasedAcrossThreadsCountingToOne) {
    platform::BinarySemaphore semaphore(false);
    EXPECT_FALSE(semaphore.tryAcquireFor(0));
    std::thread([&] { semaphore.release(); }).detach();
    EXPECT_TRUE(semaphore.tryAcquireFor(10000));
    semaphore.release();
    semaphore.release();
    EXPECT_TRUE(semaphore.tryAcquireFor(0));
    EXPECT_FALSE(semaphore.tryAcquireFor(10));
    semaphore.release();
    platform::Mutex mutex;
    int viaSemaphore = 0, viaMutex = 0;
    std::vector<std::thread> threads(4);
    for (std::thread& thread : threads) {
        thread = std::thread([&] {
            for (int i = 0; i < 5000; ++i) {
                semaphore.acquire();
                ++viaSemaphore;
                semaphore.release();
                std::lock_guard<platform::Mutex> guard(mutex);
                ++viaMutex;
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(viaSemaphore + viaMutex, 40000);
}
