#include "inputs/MulticastPort.h"
#include "nodes/NodeTable.h"

#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <string>

namespace {

using nodes::NodeTable;

TEST(PortFile, LoadsOnlyCompleteLines) {
    testsupport::TempDir dir;
    const std::string path = dir.write("ports.txt", "# label group port\n"
                                                    "short 239.1.1.1\n"
                                                    "fleet 239.192.0.1 5500 extra words\r\n"
                                                    "#off 239.1.1.2 6000\n"
                                                    "\n"
                                                    "named 239.192.0.2 abc\n");
    NodeTable table(250, 20);
    ASSERT_TRUE(table.loadPortFile(path.c_str()));
    ASSERT_EQ(table.portCount(), 2u);
    EXPECT_EQ(table.portAt(0)->label(), "fleet");
    EXPECT_EQ(table.portAt(0)->groupAddress(), "239.192.0.1");
    EXPECT_EQ(table.portAt(0)->port(), 5500);
    EXPECT_EQ(table.portAt(1)->port(), 0); // no number gives 0
    EXPECT_EQ(table.portAt(2), nullptr);
    EXPECT_FALSE(table.portAt(0)->running());
    EXPECT_FALSE(table.portsRunning());
    EXPECT_EQ(table.portFilePath(), path);
}

TEST(PortFile, FailuresLeaveNoPorts) {
    testsupport::TempDir dir;
    NodeTable table(250, 20);
    const std::string good = dir.write("ports.txt", "a 239.1.1.1 5000\n");
    ASSERT_TRUE(table.loadPortFile(good.c_str()));
    EXPECT_FALSE(table.loadPortFile((dir.path() / "absent").c_str()));
    EXPECT_EQ(table.portCount(), 0u);
    EXPECT_FALSE(table.portsLoaded());
    const std::string empty = dir.write("empty.txt", "# nothing\nonly two\n");
    EXPECT_FALSE(table.loadPortFile(empty.c_str()));
    EXPECT_FALSE(table.loadPortFile(nullptr));
    EXPECT_TRUE(table.unloadPorts());
}

TEST(PortFile, SizesTakeEffectOnlyWhenValidAndChanged) {
    testsupport::TempDir dir;
    NodeTable table(250, 20);
    // Without ports only the stored values change.
    EXPECT_EQ(table.setBytesPerBuffer(200), 200);
    EXPECT_EQ(table.setBuffersPerPort(50), 50);
    EXPECT_EQ(table.portRebuildCount(), 0u);

    const std::string path = dir.write("ports.txt", "a 239.1.1.1 5000\n");
    ASSERT_TRUE(table.loadPortFile(path.c_str()));
    EXPECT_EQ(table.portAt(0)->receiver().bytesPerBuffer(), 200);
    EXPECT_EQ(table.portAt(0)->receiver().buffersPerPort(), 50);

    struct Case {
        const char* name;
        int32_t bytes;
        int32_t buffers;
        int32_t expectBytes;
        int32_t expectBuffers;
        uint32_t rebuilds;
        bool overBudget = false; // refused with a line on standard error
    };
    const Case cases[] = {
        {"unchanged", 200, 50, 200, 50, 0},
        {"zero bytes refused", 0, 50, 200, 50, 0},
        {"negative buffers refused", 200, -4, 200, 50, 0},
        {"bytes above 65536 refused", 65537, 50, 200, 50, 0},
        {"both changed, one rebuild", 300, 60, 300, 60, 1},
        {"one changed", 300, 61, 300, 61, 1},
        {"largest datagram", 65536, 61, 65536, 61, 1},
        {"queues of 64 MiB exactly", 65536, 512, 65536, 512, 1},
        {"one buffer more", 65536, 513, 65536, 512, 0, true},
        {"two billion buffers, both refused", 250, 2000000000, 65536, 512, 0, true},
        {"ten million small buffers", 250, 10000000, 65536, 512, 0, true},
        {"the largest int", INT32_MAX, INT32_MAX, 65536, 512, 0, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const uint32_t before = table.portRebuildCount();
        testing::internal::CaptureStderr();
        EXPECT_EQ(table.setBufferSizes(c.bytes, c.buffers), !c.overBudget);
        const std::string warning = testing::internal::GetCapturedStderr();
        EXPECT_EQ(std::count(warning.begin(), warning.end(), '\n'), c.overBudget ? 1 : 0);
        EXPECT_EQ(table.bytesPerBuffer(), c.expectBytes);
        EXPECT_EQ(table.buffersPerPort(), c.expectBuffers);
        EXPECT_EQ(table.portRebuildCount() - before, c.rebuilds);
        ASSERT_EQ(table.portCount(), 1u);
        EXPECT_EQ(table.portAt(0)->receiver().bytesPerBuffer(), c.expectBytes);
        EXPECT_EQ(table.portAt(0)->receiver().buffersPerPort(), c.expectBuffers);
    }
}

TEST(PortFile, ProcessingBeforeStartProcessesNothing) {
    testsupport::TempDir dir;
    NodeTable table(250, 20);
    const std::string path = dir.write("ports.txt", "a 239.1.1.1 5000\n");
    ASSERT_TRUE(table.loadPortFile(path.c_str()));
    table.portAt(0)->receiver().push("x", 1);
    EXPECT_EQ(table.processPorts(), 0);
    // The datagram stays queued: nothing was swapped.
    table.portAt(0)->receiver().swap();
    EXPECT_STREQ(table.portAt(0)->receiver().pop(), "x");
}

} // namespace
