#include "nodes/NodeTable.h"

#include "tests/support/ManualClockTest.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace {

using nodes::NodeRecord;
using nodes::NodeTable;

class NodeTableTest : public testsupport::ManualClockTest {
protected:
    bool load(const std::string& content) {
        path = dir.write("nodes.txt", content);
        return table.loadNodeFile(path.c_str());
    }
    std::vector<int32_t> idsInOrder() const {
        std::vector<int32_t> ids;
        for (uint32_t i = 0; i < table.fileNodeCount() + table.lateNodeCount(); ++i) {
            ids.push_back(table.recordAt(i)->id);
        }
        return ids;
    }
    std::vector<int32_t> closeIds() const {
        std::vector<int32_t> ids;
        for (int i = 0; i < NodeTable::kCloseNodeCount; ++i) {
            const NodeRecord* r = table.closeNode(i);
            ids.push_back(r ? r->id : -1);
        }
        return ids;
    }
    void place(int32_t id, double lat, double lon) {
        NodeRecord* r = table.findById(id);
        ASSERT_NE(r, nullptr);
        r->setState(lat, lon, 0, 0, 0, 0, nullptr, nullptr, r->name);
    }

    testsupport::TempDir dir;
    std::string path;
    NodeTable table{250, 20};
};

TEST_F(NodeTableTest, LoadsCommentedFileKeepingTheFirstOfARepeatedId) {
    ASSERT_TRUE(load("# fleet\n7 Truck 7\n12\n2000 Too big\n7 Again\n"));
    EXPECT_EQ(table.fileNodeCount(), 2u);
    EXPECT_EQ(idsInOrder(), (std::vector<int32_t>{7, 12}));
    EXPECT_EQ(table.findById(12)->index, 1u);
    EXPECT_EQ(table.recordAt(2), nullptr);
    EXPECT_EQ(table.recordAt(-1), nullptr);
    EXPECT_EQ(table.maxId(), 12u);
    ASSERT_NE(table.findById(7), nullptr);
    EXPECT_STREQ(table.findById(7)->name, "Truck 7");
    ASSERT_NE(table.findById(12), nullptr);
    EXPECT_STREQ(table.findById(12)->name, "");
    EXPECT_EQ(table.findById(8), nullptr);
    EXPECT_EQ(table.findById(13), nullptr);
    EXPECT_EQ(table.findById(-1), nullptr);
    EXPECT_EQ(table.nodeFilePath(), path);
    EXPECT_TRUE(table.nodesLoaded());
}

TEST_F(NodeTableTest, NodeLineTable) {
    struct Case {
        const char* name;
        std::string line;
        int32_t id; // -1: no record
        std::string recordName;
    };
    const std::vector<Case> cases = {
        {"tab and blanks before the name", "5\t  Van\n", 5, "Van"},
        {"blanks only keep one", "5    \n", 5, " "},
        {"crlf", "5 Van\r\n", 5, "Van"},
        {"inner blanks kept", "5 Big  Red Van \n", 5, "Big  Red Van "},
        {"comma in the name", "5 Van, the second\n", 5, "Van, the second"},
        {"leading blanks before the id", "   9 Car\n", 9, "Car"},
        {"digits then letters", "42abc Car\n", 42, "Car"},
        {"no number gives 0", "abc Car\n", 0, "Car"},
        {"id 1000 accepted", "1000 Last\n", 1000, "Last"},
        {"id 1001 skipped", "1001 Over\n", -1, ""},
        {"negative skipped", "-3 Neg\n", -1, ""},
        {"comment", "#5 Van\n", -1, ""},
        {"blank line", "   \t\n", -1, ""},
        {"no final newline", "6 Bus", 6, "Bus"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const bool loaded = load(c.line);
        if (c.id < 0) {
            EXPECT_FALSE(loaded);
            EXPECT_EQ(table.fileNodeCount(), 0u);
            continue;
        }
        ASSERT_TRUE(loaded);
        ASSERT_EQ(table.fileNodeCount(), 1u);
        ASSERT_NE(table.findById(c.id), nullptr);
        EXPECT_EQ(std::string(table.findById(c.id)->name), c.recordName);
    }
}

TEST_F(NodeTableTest, LongLineRemainderIsALineOfItsOwn) {
    // 255 characters are read at a time: the name is cut there, and the rest
    // of the line ("77 Tail") is read as the next node line.
    const std::string first = "3 " + std::string(253, 'a');
    ASSERT_TRUE(load(first + "77 Tail\n"));
    EXPECT_EQ(table.fileNodeCount(), 2u);
    EXPECT_EQ(std::string(table.findById(3)->name), std::string(127, 'a'));
    ASSERT_NE(table.findById(77), nullptr);
    EXPECT_STREQ(table.findById(77)->name, "Tail");
}

TEST_F(NodeTableTest, FailedLoadsLeaveTheTableEmpty) {
    ASSERT_TRUE(load("1 a\n"));
    EXPECT_FALSE(table.loadNodeFile((dir.path() / "absent").c_str()));
    EXPECT_FALSE(table.nodesLoaded());
    EXPECT_EQ(table.findById(1), nullptr);
    ASSERT_TRUE(load("1 a\n"));
    EXPECT_FALSE(table.loadNodeFile(nullptr));
    EXPECT_EQ(table.fileNodeCount(), 0u);
    EXPECT_FALSE(load("# nothing\n\n"));
    // A reload replaces the list, late records too.
    ASSERT_TRUE(load("1 a\n2 b\n"));
    table.addLateNode(50);
    ASSERT_TRUE(load("3 c\n"));
    EXPECT_EQ(table.fileNodeCount(), 1u);
    EXPECT_EQ(table.lateNodeCount(), 0u);
    EXPECT_EQ(table.findById(1), nullptr);
    EXPECT_EQ(table.findById(50), nullptr);
    EXPECT_EQ(table.maxId(), 3u);
}

TEST_F(NodeTableTest, UnloadEmptiesEverything) {
    ASSERT_TRUE(load("0 a\n1 b\n"));
    ASSERT_NE(table.addLateNode(5), nullptr);
    table.updateCloseNodes(0, -1);
    EXPECT_TRUE(table.unloadNodes());
    EXPECT_EQ(table.recordAt(0), nullptr);
    EXPECT_EQ(table.findById(0), nullptr);
    EXPECT_EQ(table.fileNodeCount(), 0u);
    EXPECT_EQ(table.lateNodeCount(), 0u);
    EXPECT_EQ(table.closeNode(0), nullptr);
    EXPECT_FALSE(table.nodesLoaded());
}

TEST_F(NodeTableTest, LateNodesGrowTheTable) {
    ASSERT_TRUE(load("12 Twelve\n2 Two\n"));
    table.setIdleLimits(5.0, 10.0);
    NodeRecord* late = table.addLateNode(1000);
    ASSERT_NE(late, nullptr);
    EXPECT_STREQ(late->name, "Added Late");
    EXPECT_EQ(table.maxId(), 1000u);
    EXPECT_EQ(table.lateNodeCount(), 1u);
    EXPECT_EQ(table.findById(1000), late);
    for (int id = 13; id < 1000; ++id) {
        ASSERT_EQ(table.findById(id), nullptr) << id;
    }
    EXPECT_EQ(late->index, 2u);
    EXPECT_EQ(table.recordAt(2), late);
    EXPECT_EQ(late->mediumIdleMs, 5000);
    EXPECT_EQ(late->badIdleMs, 10000);

    EXPECT_EQ(table.addLateNode(1000), late); // found, not added again
    EXPECT_EQ(table.addLateNode(12), table.findById(12));
    EXPECT_EQ(table.addLateNode(1001), nullptr);
    EXPECT_EQ(table.addLateNode(-1), nullptr);
    EXPECT_EQ(table.lateNodeCount(), 1u);

    NodeRecord* inside = table.addLateNode(5); // below maxId, a gap
    ASSERT_NE(inside, nullptr);
    EXPECT_EQ(table.maxId(), 1000u);
    EXPECT_EQ(idsInOrder(), (std::vector<int32_t>{12, 2, 1000, 5}));

    table.setIdleLimits(1.0, 2.0); // reaches late records too
    EXPECT_EQ(late->mediumIdleMs, 1000);
    EXPECT_EQ(inside->badIdleMs, 2000);
}

TEST_F(NodeTableTest, LateNodesOnAnEmptyTable) {
    NodeRecord* zero = table.addLateNode(0);
    ASSERT_NE(zero, nullptr);
    EXPECT_EQ(table.findById(0), zero);
    EXPECT_EQ(table.addLateNode(0), zero);
    NodeRecord* seven = table.addLateNode(7);
    EXPECT_EQ(table.findById(7), seven);
    EXPECT_EQ(table.lateNodeCount(), 2u);
    EXPECT_EQ(table.fileNodeCount(), 0u);
    EXPECT_EQ(table.recordAt(0), zero);
    EXPECT_EQ(table.recordAt(1), seven);
}

TEST_F(NodeTableTest, IdleLimitsAreAbsoluteTruncatedMilliseconds) {
    ASSERT_TRUE(load("1 a\n"));
    table.setIdleLimits(-2.5, 4.0019);
    EXPECT_EQ(table.mediumIdleMs(), 2500);
    EXPECT_EQ(table.badIdleMs(), 4001);
    EXPECT_EQ(table.findById(1)->mediumIdleMs, 2500);
    EXPECT_EQ(table.findById(1)->badIdleMs, 4001);
    table.setIdleLimits(1e12, std::nan(""));
    EXPECT_EQ(table.mediumIdleMs(), INT32_MAX);
    EXPECT_EQ(table.badIdleMs(), 4001);
}

TEST_F(NodeTableTest, CloseNodesNearestFirstWithTiesInTableOrder) {
    ASSERT_TRUE(load("0 ref\n1 a\n2 b\n3 c\n4 d\n5 chase\n"));
    place(0, 0, 0);
    place(1, 0, 3);  // 9
    place(2, 1, 0);  // 1
    place(3, 0, -3); // 9, after 1 in table order
    place(4, 2, 2);  // 8
    place(5, 0, 0.5);
    table.updateCloseNodes(0, 5);
    EXPECT_EQ(closeIds(), (std::vector<int32_t>{2, 4, 1, 3, -1, -1, -1, -1, -1, -1}));
    table.updateCloseNodes(0, -1);
    EXPECT_EQ(closeIds(), (std::vector<int32_t>{5, 2, 4, 1, 3, -1, -1, -1, -1, -1}));
    table.updateCloseNodes(0, 0); // excluding the reference changes nothing
    EXPECT_EQ(closeIds(), (std::vector<int32_t>{5, 2, 4, 1, 3, -1, -1, -1, -1, -1}));
}

TEST_F(NodeTableTest, CloseNodesKeepsTheTenNearestOnly) {
    std::string file;
    for (int id = 0; id <= 20; ++id) {
        file += std::to_string(id) + " n\n";
    }
    ASSERT_TRUE(load(file));
    // Node id lies id degrees north of the reference 0, given in reverse order
    // of distance so every insertion shifts the list.
    for (int id = 1; id <= 20; ++id) {
        place(id, 21 - id, 0);
    }
    place(0, 0, 0);
    table.updateCloseNodes(0, 15);
    EXPECT_EQ(closeIds(), (std::vector<int32_t>{20, 19, 18, 17, 16, 14, 13, 12, 11, 10}));
}

TEST_F(NodeTableTest, CloseNodesIgnoresLateRecordsAndUnknownReferences) {
    ASSERT_TRUE(load("0 ref\n1 a\n"));
    place(0, 0, 0);
    place(1, 5, 5);
    NodeRecord* late = table.addLateNode(9);
    late->setState(0.1, 0.1, 0, 0, 0, 0, nullptr, nullptr, "late");
    table.updateCloseNodes(0, -1);
    EXPECT_EQ(closeIds()[0], 1);
    EXPECT_EQ(closeIds()[1], -1);
    table.updateCloseNodes(-1, -1);
    EXPECT_EQ(table.closeNode(0), nullptr);
    table.updateCloseNodes(0, -1);
    table.updateCloseNodes(44, -1);
    EXPECT_EQ(table.closeNode(0), nullptr);
    EXPECT_EQ(table.closeNode(10), nullptr);
    EXPECT_EQ(table.closeNode(-1), nullptr);
}

// The span reaches every record, late and later ones too; a reloaded node
// file starts every trail afresh.
TEST_F(NodeTableTest, TrailSpanReachesEveryRecordAndReloadClearsTrails) {
    struct Case {
        double seconds;
        int64_t spanMs;
    };
    const Case spans[] = {{120, 120000},     {0.0005, 1},       {0, 0},     {-5, 0},
                          {1e300, 86400000}, {std::nan(""), 0}, {2.5, 2500}};
    ASSERT_TRUE(load("1 a\n2 b\n"));
    table.addLateNode(50);
    for (const Case& c : spans) {
        SCOPED_TRACE(c.seconds);
        table.setTrailSpan(c.seconds);
        EXPECT_EQ(table.trailSpanMs(), c.spanMs);
        EXPECT_EQ(table.findById(2)->trailSpanMs, c.spanMs);
        EXPECT_EQ(table.findById(50)->trailSpanMs, c.spanMs);
        EXPECT_EQ(table.addLateNode(60 + static_cast<int32_t>(c.spanMs % 7))->trailSpanMs,
                  c.spanMs);
    }
    table.findById(1)->setState(36, -115, 1000, 0, 0, 0, "", "", "a");
    table.findById(1)->setState(36.1, -115, 1010, 0, 0, 0, "", "", "a");
    ASSERT_EQ(table.findById(1)->trail.size(), 2u);
    ASSERT_TRUE(load("1 a\n2 b\n"));
    EXPECT_EQ(table.findById(1)->trail.size(), 0u);
    EXPECT_EQ(table.findById(1)->trailSpanMs, 2500);
}

} // namespace
