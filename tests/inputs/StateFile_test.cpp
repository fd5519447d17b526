#include "nodes/NodeTable.h"

#include "tests/support/ManualClockTest.h"
#include "tests/support/TempDir.h"

#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>
#include <cstdlib>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace {

using nodes::NodeRecord;
using nodes::NodeTable;

std::string readAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream out;
    out << in.rdbuf();
    return out.str();
}

class StateFileTest : public testsupport::ManualClockTest {
protected:
    void SetUp() override {
        testsupport::ManualClockTest::SetUp();
        const std::string nodes = dir.write("nodes.txt", "7 Truck 7\n1000 Last, First\n");
        ASSERT_TRUE(writer.loadNodeFile(nodes.c_str()));
        writer.setIdleLimits(2.0, 4.0);
        ASSERT_TRUE(reader.loadNodeFile(nodes.c_str()));
        snapshot = dir.file("snapshot.txt");
    }
    void report(NodeRecord* record, double lat, double lon, int32_t seconds, uint16_t ms) {
        platform::TimeStamp stamp;
        stamp.time = seconds;
        stamp.millitm = ms;
        ASSERT_TRUE(record->updatePosition(lat, lon, platform::Calendar{}, stamp, "t"));
    }

    testsupport::TempDir dir;
    NodeTable writer{250, 20};
    NodeTable reader{250, 20};
    std::string snapshot;
};

TEST_F(StateFileTest, LiveSnapshotComputesStatusAndAge) {
    clock.setTime(1700000000, 0);
    report(writer.findById(7), 49.5, -123.25, 1086000000, 780);
    writer.findById(7)->setComments("Convoy A", "Leg 2");
    clock.advanceMs(2500);
    ASSERT_TRUE(writer.writeStateFile(snapshot.c_str(), false));
    EXPECT_EQ(readAll(snapshot),
              "<rvx>\n"
              "$007,49.500000,-123.250000,1086000000,780,1,2.500,Convoy A,Leg 2,Truck 7*\n"
              "$1000,0.000000,0.000000,0,0,2,1700000002.500,,,Last, First*\n"
              "</rvx>\n");
}

TEST_F(StateFileTest, RelaySnapshotWritesWhatItWasTold) {
    writer.findById(7)->setState(1.5, 2.5, 1086000000, 9, 1, 0.25, "a", "b", "Renamed");
    ASSERT_TRUE(writer.writeStateFile(snapshot.c_str(), true));
    EXPECT_EQ(readAll(snapshot), "<rvx>\n"
                                 "$007,1.500000,2.500000,1086000000,9,1,0.250,a,b,Renamed*\n"
                                 "$1000,0.000000,0.000000,0,0,0,0.000,,,Last, First*\n"
                                 "</rvx>\n");
}

TEST_F(StateFileTest, RoundTripThroughAnotherTable) {
    report(writer.findById(7), 49.5, -123.25, 1086000000, 780);
    writer.findById(1000)->setState(-10, 20, 1086000001, 1, 2, 7.5, "c1", "", "Last, First");
    writer.addLateNode(500)->setState(3, 4, 5, 6, 0, 0.5, "late", "x", "Joined");
    ASSERT_TRUE(writer.writeStateFile(snapshot.c_str(), true));

    ASSERT_TRUE(reader.readStateFile(snapshot.c_str()));
    const NodeRecord* seven = reader.findById(7);
    EXPECT_DOUBLE_EQ(seven->latitude, 49.5);
    EXPECT_DOUBLE_EQ(seven->longitude, -123.25);
    EXPECT_EQ(seven->reportTime.time, 1086000000);
    EXPECT_EQ(seven->reportTime.millitm, 780);
    const NodeRecord* last = reader.findById(1000);
    EXPECT_STREQ(last->name, "Last, First");
    EXPECT_STREQ(last->comment1, "c1");
    EXPECT_STREQ(last->comment2, "");
    EXPECT_EQ(last->idleStatus, 2);
    EXPECT_DOUBLE_EQ(last->reportedAge, 7.5);
    const NodeRecord* late = reader.findById(500);
    ASSERT_NE(late, nullptr);
    EXPECT_STREQ(late->name, "Joined"); // added as "Added Late", then named
    EXPECT_EQ(reader.lateNodeCount(), 1u);
    EXPECT_TRUE(late->everFresh);

    // A relay of the relay writes the original report times.
    const std::string again = dir.file("again.txt");
    ASSERT_TRUE(reader.writeStateFile(again.c_str(), true));
    EXPECT_EQ(readAll(again), readAll(snapshot));
}

// Only the records inside the block count, a missing closing marker reads to
// the end, a file without a block changes nothing.
TEST_F(StateFileTest, ReaderTakesTheBlockOnly) {
    const struct {
        const char* text;
        const char* seven;
        const char* thousand;
    } cases[] = {
        {"before\n$007,9,9,9,9,0,9,x,x,x*\n<RVX>\r\n$007,1,2,3,4,0,,a,b,bad age*\n"
         "$1000,5,6,7,8,1,9.5,a,b,Good*\r\n$007,1,2,3,4,0,0.5,a,b,Also good*\n</rvx>\n"
         "$007,9,9,9,9,0,9,x,x,after*\n",
         "Also good", "Good"},
        {"<rvx>\n$007,1,2,3,4,0,5,a,b,Seven*\n$1000,1,2,3,4,0,5,a,b,Thousand*\n", "Seven",
         "Thousand"},
        {"$007,1,2,3,4,0,5,a,b,Seven*\n", "Truck 7", "Last, First"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        NodeTable fresh(250, 20);
        ASSERT_TRUE(fresh.loadNodeFile(dir.file("nodes.txt").c_str()));
        ASSERT_TRUE(fresh.readStateFile(dir.write("state.txt", c.text).c_str()));
        EXPECT_STREQ(fresh.findById(7)->name, c.seven);
        EXPECT_STREQ(fresh.findById(1000)->name, c.thousand);
        EXPECT_DOUBLE_EQ(fresh.findById(7)->latitude, c.seven[0] == 'T' ? 0.0 : 1.0);
    }
    EXPECT_FALSE(reader.readStateFile(dir.file("absent.txt").c_str()));
    EXPECT_FALSE(reader.readStateFile(nullptr));
}

TEST_F(StateFileTest, IdentifiersBeyondTheTableAreRefused) {
    EXPECT_FALSE(reader.parseStateRecord("$1001,1,2,3,4,0,5,a,b,c*"));
    EXPECT_FALSE(reader.parseStateRecord("$-1,1,2,3,4,0,5,a,b,c*"));
    EXPECT_EQ(reader.lateNodeCount(), 0u);
    EXPECT_TRUE(reader.parseStateRecord("$500,1,2,3,4,0,5,a,b,c*"));
    EXPECT_EQ(reader.maxId(), 1000u);
}

TEST_F(StateFileTest, FailedWriteKeepsTheOldSnapshot) {
    ASSERT_TRUE(writer.writeStateFile(snapshot.c_str(), true));
    const std::string before = readAll(snapshot);
    writer.findById(7)->setState(1, 1, 1, 1, 0, 0, "changed", "", "Changed");
    // More than the stream's buffer, so that a write fails before the close.
    for (int32_t id = 100; id < 300; ++id) {
        writer.addLateNode(id)->setState(1, 1, 1, 1, 0, 0, "a comment", "", "Late");
    }

    // A disk that fills up in the middle of the write, made with a file size
    // limit in a child process: the write reports failure and the snapshot
    // stays as it was.
    EXPECT_EXIT(
        {
            signal(SIGXFSZ, SIG_IGN);
            rlimit limit;
            limit.rlim_cur = 80;
            limit.rlim_max = 80;
            setrlimit(RLIMIT_FSIZE, &limit);
            std::_Exit(writer.writeStateFile(snapshot.c_str(), true) ? 1 : 0);
        },
        ::testing::ExitedWithCode(0), "");
    EXPECT_EQ(readAll(snapshot), before);

    EXPECT_FALSE(writer.writeStateFile((dir.file("no/such/folder") + "/s.txt").c_str(), true));
    EXPECT_FALSE(writer.writeStateFile(nullptr, true));
    EXPECT_FALSE(writer.writeStateFile("", true));
    // No temporary file is left behind.
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
        files += entry.is_regular_file() ? 1 : 0;
    }
    EXPECT_EQ(files, 2); // nodes.txt and snapshot.txt
}

TEST_F(StateFileTest, SnapshotIsReadableByOthers) {
    const mode_t old = umask(022);
    ASSERT_TRUE(writer.writeStateFile(snapshot.c_str(), true));
    umask(old);
    struct stat info {};
    ASSERT_EQ(stat(snapshot.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0644u);
}

} // namespace
