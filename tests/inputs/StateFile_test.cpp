#include "nodes/NodeTable.h"

#include "tests/support/ManualClockTest.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>
#include <filesystem>

namespace {

using nodes::NodeRecord;
using nodes::NodeTable;
using testsupport::TempDir;

class StateFileTest : public testsupport::ManualClockTest {
protected:
    void SetUp() override {
        testsupport::ManualClockTest::SetUp();
        ASSERT_TRUE(writer.loadNodeFile(nodes.c_str()));
        writer.setIdleLimits(2.0, 4.0);
        ASSERT_TRUE(reader.loadNodeFile(nodes.c_str()));
    }

    TempDir dir;
    const std::string nodes = dir.write("nodes.txt", "7 Truck 7\n1000 Last, First\n");
    const std::string snapshot = dir.file("snapshot.txt");
    NodeTable writer{250, 20};
    NodeTable reader{250, 20};
};

// A live snapshot computes status and age; a relay writes what it was told and
// reads back the same in another table, late nodes too.
TEST_F(StateFileTest, WritesAndReadsBack) {
    platform::TimeStamp stamp{1086000000, 780};
    ASSERT_TRUE(
        writer.findById(7)->updatePosition(49.5, -123.25, platform::Calendar{}, stamp, "t"));
    writer.findById(7)->setComments("Convoy A", "Leg 2");
    clock.advanceMs(2500);
    ASSERT_TRUE(writer.writeStateFile(snapshot.c_str(), false));
    EXPECT_EQ(TempDir::read(snapshot),
              "<rvx>\n$007,49.500000,-123.250000,1086000000,780,1,2.500,Convoy A,Leg 2,Truck 7*\n"
              "$1000,0.000000,0.000000,0,0,2,1700000002.500,,,Last, First*\n</rvx>\n");
    writer.findById(1000)->setState(-10, 20, 1086000001, 1, 2, 7.5, "c1", "", "Last, First");
    writer.addLateNode(500)->setState(3, 4, 5, 6, 0, 0.5, "late", "x", "Joined");
    ASSERT_TRUE(writer.writeStateFile(snapshot.c_str(), true));
    EXPECT_EQ(TempDir::read(snapshot),
              "<rvx>\n$007,49.500000,-123.250000,1086000000,780,1,0.000,Convoy A,Leg 2,Truck 7*\n"
              "$1000,-10.000000,20.000000,1086000001,1,2,7.500,c1,,Last, First*\n"
              "$500,3.000000,4.000000,5,6,0,0.500,late,x,Joined*\n</rvx>\n");
    ASSERT_TRUE(reader.readStateFile(snapshot.c_str()));
    const std::string again = dir.file("again.txt");
    ASSERT_TRUE(reader.writeStateFile(again.c_str(), true));
    EXPECT_EQ(TempDir::read(again), TempDir::read(snapshot));
    EXPECT_EQ(reader.lateNodeCount(), 1u);
    EXPECT_TRUE(reader.findById(500)->everFresh);
    EXPECT_EQ(reader.findById(7)->reportTime.millitm, 780);
    EXPECT_FALSE(reader.parseStateRecord("$1001,1,2,3,4,0,5,a,b,c*") ||
                 reader.parseStateRecord("$-1,1,2,3,4,0,5,a,b,c*") ||
                 reader.readStateFile(nullptr));
    EXPECT_EQ(reader.lateNodeCount(), 1u);
}

// The write is atomic: a disk that fills up mid-write (a file size limit in a
// child process) or a missing folder fails it, keeps the old snapshot and
// leaves no temporary file; the snapshot is readable by others.
TEST_F(StateFileTest, FailedWriteKeepsTheOldSnapshot) {
    const mode_t old = umask(022);
    ASSERT_TRUE(writer.writeStateFile(snapshot.c_str(), true));
    umask(old);
    struct stat info {};
    ASSERT_EQ(stat(snapshot.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0644u);
    const std::string before = TempDir::read(snapshot);
    for (int32_t id = 100; id < 300; ++id) { // more than the stream's buffer
        writer.addLateNode(id)->setState(1, 1, 1, 1, 0, 0, "a comment", "", "Late");
    }
    EXPECT_EXIT(
        {
            signal(SIGXFSZ, SIG_IGN);
            rlimit limit{};
            limit.rlim_cur = limit.rlim_max = 80;
            setrlimit(RLIMIT_FSIZE, &limit);
            std::_Exit(writer.writeStateFile(snapshot.c_str(), true) ? 1 : 0);
        },
        ::testing::ExitedWithCode(0), "");
    EXPECT_EQ(TempDir::read(snapshot), before);
    EXPECT_FALSE(writer.writeStateFile(dir.file("no/such/folder/s.txt").c_str(), true));
    EXPECT_FALSE(writer.writeStateFile(nullptr, true) || writer.writeStateFile("", true));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 2);
}

} // namespace
