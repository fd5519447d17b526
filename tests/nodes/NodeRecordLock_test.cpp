#include "nodes/NodeRecord.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace {

// One thread applies state records whose every field carries the same number; another reads
// under the lock and must never see two numbers mixed.
TEST(NodeRecordLock, ReaderUnderTheLockSeesWholeUpdates) {
    nodes::NodeRecord record("0", 1);
    record.setState(0, 0, 0, 0, 0, 0, "0", "0", "0");
    std::atomic<bool> done{false};
    std::thread writer([&] {
        for (int i = 1; i <= 20000; ++i) {
            const std::string text = std::to_string(i);
            record.setState(i, -i, i, i % 1000, i % 3, i, text.c_str(), text.c_str(), text.c_str());
        }
        done = true;
    });
    int reads = 0, mixed = 0;
    while (!done.load() || reads == 0) {
        record.lock();
        const double lat = record.latitude, lon = record.longitude;
        const int32_t seconds = record.reportTime.time;
        const std::string texts =
            std::string(record.comment1) + "|" + record.comment2 + "|" + record.name;
        record.unlock();
        const std::string number = std::to_string(static_cast<int>(lat));
        mixed += lon != -lat || seconds != static_cast<int32_t>(lat) ||
                 texts != number + "|" + number + "|" + number;
        ++reads;
    }
    writer.join();
    EXPECT_EQ(mixed, 0);
    EXPECT_EQ(record.latitude, 20000);
}

} // namespace
