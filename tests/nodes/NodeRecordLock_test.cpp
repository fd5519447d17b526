#include "nodes/NodeRecord.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <string>
#include <thread>

namespace {

using nodes::NodeRecord;

// One thread applies state records whose every field carries the same
// number; another reads under the lock and must never see two numbers mixed.
TEST(NodeRecordLock, ReaderUnderTheLockSeesWholeUpdates) {
    NodeRecord record("start", 1);
    record.setState(0, 0, 0, 0, 0, 0, "0", "0", "0");
    std::atomic<bool> done{false};
    constexpr int kUpdates = 20000;

    std::thread writer([&] {
        for (int i = 1; i <= kUpdates; ++i) {
            const std::string text = std::to_string(i);
            record.setState(i, -i, i, i % 1000, i % 3, i, text.c_str(), text.c_str(), text.c_str());
        }
        done = true;
    });

    int reads = 0;
    int mixed = 0;
    while (!done.load() || reads == 0) {
        record.lock();
        const double lat = record.latitude;
        const double lon = record.longitude;
        const int32_t seconds = record.reportTime.time;
        const std::string c1 = record.comment1;
        const std::string c2 = record.comment2;
        const std::string name = record.name;
        record.unlock();
        const std::string expected = std::to_string(static_cast<int>(lat));
        if (lon != -lat || seconds != static_cast<int32_t>(lat) || c1 != expected ||
            c2 != expected || name != expected) {
            ++mixed;
        }
        ++reads;
    }
    writer.join();
    EXPECT_EQ(mixed, 0);
    EXPECT_GT(reads, 0);
    EXPECT_EQ(record.latitude, kUpdates);
}

} // namespace
