#include "net/LB_Socket.h"
#include "net/LB_SocketLibrary.h"

#include <gtest/gtest.h>

#include <memory>
#include <thread>
#include <vector>

namespace {

TEST(LB_SocketLibrary, EverySocketIsOneUserAndTheLastShutsTheLibraryDown) {
    ASSERT_EQ(LB_SocketLibrary::userCount(), 0) << "an earlier test left a socket alive";
    EXPECT_FALSE(LB_SocketLibrary::started());
    {
        LB_Socket first;
        EXPECT_TRUE(LB_SocketLibrary::started());
        EXPECT_TRUE(LB_SocketLibrary::startSucceeded());
        EXPECT_EQ(LB_SocketLibrary::userCount(), 1);
        {
            LB_Socket second;
            EXPECT_EQ(LB_SocketLibrary::userCount(), 2);
        }
        EXPECT_EQ(LB_SocketLibrary::userCount(), 1);
        EXPECT_TRUE(LB_SocketLibrary::started());
    }
    EXPECT_EQ(LB_SocketLibrary::userCount(), 0);
    EXPECT_FALSE(LB_SocketLibrary::started());
    EXPECT_FALSE(LB_SocketLibrary::startSucceeded());
    LB_SocketLibrary::removeUser(); // without users: the count stays at zero
    EXPECT_EQ(LB_SocketLibrary::userCount(), 0);
}

TEST(LB_SocketLibrary, CountsUsersMadeAndDestroyedOnManyThreads) {
    ASSERT_EQ(LB_SocketLibrary::userCount(), 0);
    LB_Socket keeper; // keeps the library started throughout
    constexpr int kThreads = 6;
    constexpr int kRounds = 200;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([] {
            for (int i = 0; i < kRounds; ++i) {
                auto a = std::make_unique<LB_Socket>();
                auto b = std::make_unique<LB_Socket>();
                a.reset();
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(LB_SocketLibrary::userCount(), 1);
}

} // namespace
