#include "nodes/NodeTable.h"

#include "tests/support/ManualClockTest.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cmath>
#include <tuple>

namespace {

using nodes::NodeRecord;
using nodes::NodeTable;

class NodeTableTest : public testsupport::ManualClockTest {
protected:
    bool load(const std::string& content) {
        path = dir.write("nodes.txt", content);
        return table.loadNodeFile(path.c_str());
    }
    // "id name|" for every record, file then late ones, checking the id look-up on the way.
    std::string records() const {
        std::string out;
        for (uint32_t i = 0; i < table.fileNodeCount() + table.lateNodeCount(); ++i) {
            const NodeRecord* r = table.recordAt(i);
            EXPECT_EQ(table.findById(r->id), r);
            EXPECT_EQ(r->index, i);
            out += std::to_string(r->id) + " " + r->name + "|";
        }
        return out;
    }
    std::vector<int32_t> closeIds() const {
        std::vector<int32_t> ids;
        for (int i = 0; i < NodeTable::kCloseNodeCount; ++i) {
            ids.push_back(table.closeNode(i) != nullptr ? table.closeNode(i)->id : -1);
        }
        return ids;
    }
    void place(int32_t id, double lat, double lon) {
        table.findById(id)->setState(lat, lon, 0, 0, 0, 0, nullptr, nullptr, "n");
    }

    testsupport::TempDir dir;
    std::string path;
    NodeTable table{250, 20};
};

// 255 characters are read at a time: a longer line's rest is a line of its own.
TEST_F(NodeTableTest, NodeLineTable) {
    const std::pair<std::string, std::string> cases[] = {
        {"# fleet\n7 Truck 7\n12\n2000 Too big\n7 Again\n", "7 Truck 7|12 |"},
        {"5\t  Van\n", "5 Van|"},
        {"5    \n", "5  |"},
        {"5 Van\r\n", "5 Van|"},
        {"5 Big  Red Van \n", "5 Big  Red Van |"},
        {"5 Van, the second\n", "5 Van, the second|"},
        {"   9 Car\n", "9 Car|"},
        {"42abc Car\n", "42 Car|"},
        {"abc Car\n", "0 Car|"},
        {"1000 Last\n1001 Over\n-3 Neg\n#5 Van\n   \t\n", "1000 Last|"},
        {"1001 Over\n-3 Neg\n#5 Van\n   \t\n", ""},
        {"6 Bus", "6 Bus|"},
        {"3 " + std::string(253, 'a') + "77 Tail\n", "3 " + std::string(127, 'a') + "|77 Tail|"},
    };
    for (const auto& [file, expected] : cases) {
        SCOPED_TRACE(file);
        EXPECT_EQ(load(file), !expected.empty());
        EXPECT_EQ(records(), expected);
    }
    ASSERT_TRUE(load(cases[0].first));
    EXPECT_EQ(table.maxId(), 12u);
    EXPECT_EQ(table.nodeFilePath(), path);
    for (int32_t absent : {8, 13, -1, 2000}) {
        EXPECT_EQ(table.findById(absent), nullptr) << absent;
    }
    EXPECT_EQ(table.recordAt(2), nullptr);
    EXPECT_EQ(table.recordAt(-1), nullptr);
}

// A failed load or an unload empties the table; a reload replaces it, late records too.
TEST_F(NodeTableTest, FailedLoadsReloadsAndUnload) {
    ASSERT_TRUE(load("1 a\n"));
    EXPECT_FALSE(table.loadNodeFile(dir.file("absent").c_str()) || table.nodesLoaded());
    EXPECT_EQ(table.findById(1), nullptr);
    ASSERT_TRUE(load("1 a\n"));
    EXPECT_FALSE(table.loadNodeFile(nullptr));
    EXPECT_EQ(records(), "");
    ASSERT_TRUE(load("1 a\n2 b\n"));
    table.addLateNode(50);
    ASSERT_TRUE(load("3 c\n"));
    EXPECT_EQ(records(), "3 c|");
    EXPECT_EQ(table.findById(50), nullptr);
    EXPECT_EQ(table.maxId(), 3u);
    ASSERT_NE(table.addLateNode(5), nullptr);
    table.updateCloseNodes(3, -1);
    EXPECT_TRUE(table.unloadNodes());
    EXPECT_EQ(records() + std::to_string(table.nodesLoaded()), "0");
    EXPECT_EQ(table.closeNode(0), nullptr);
    EXPECT_EQ(table.findById(3), nullptr);
}

TEST_F(NodeTableTest, LateNodesGrowTheTableAndTakeTheIdleLimits) {
    NodeRecord* zero = table.addLateNode(0); // on an empty table
    EXPECT_EQ(table.addLateNode(0), zero);
    ASSERT_TRUE(load("12 Twelve\n2 Two\n"));
    table.setIdleLimits(-2.5, 4.0019); // absolute, truncated milliseconds
    NodeRecord* late = table.addLateNode(1000);
    ASSERT_NE(late, nullptr);
    EXPECT_EQ(table.maxId(), 1000u);
    EXPECT_EQ(std::tuple(late->mediumIdleMs, late->badIdleMs), std::tuple(2500, 4001));
    for (int id = 13; id < 1000; ++id) {
        ASSERT_EQ(table.findById(id), nullptr) << id;
    }
    EXPECT_EQ(table.addLateNode(1000), late);
    EXPECT_EQ(table.addLateNode(12), table.findById(12));
    EXPECT_EQ(table.addLateNode(1001), nullptr);
    EXPECT_EQ(table.addLateNode(-1), nullptr);
    NodeRecord* inside = table.addLateNode(5); // below maxId, in a gap
    EXPECT_EQ(records(), "12 Twelve|2 Two|1000 Added Late|5 Added Late|");
    EXPECT_EQ(table.maxId(), 1000u);
    table.setIdleLimits(1e12, std::nan(""));
    EXPECT_EQ(std::tuple(table.mediumIdleMs(), table.badIdleMs()), std::tuple(INT32_MAX, 4001));
    EXPECT_EQ(std::tuple(inside->mediumIdleMs, table.findById(2)->badIdleMs),
              std::tuple(INT32_MAX, 4001));
}

// Nearest first, ties in table order, ten at most; late records, the reference and the excluded
// node never count.
TEST_F(NodeTableTest, CloseNodes) {
    ASSERT_TRUE(load("0 ref\n1 a\n2 b\n3 c\n4 d\n5 chase\n"));
    // Squared degrees from 0: 1 at 9, 2 at 1, 3 at 9 (after 1 in table order), 4 at 8, 5 at 0.25.
    const double places[][2] = {{0, 0}, {0, 3}, {1, 0}, {0, -3}, {2, 2}, {0, .5}};
    for (int id = 0; id < 6; ++id) {
        place(id, places[id][0], places[id][1]);
    }
    table.addLateNode(9)->setState(0.1, 0.1, 0, 0, 0, 0, nullptr, nullptr, "late");
    table.updateCloseNodes(0, 5);
    EXPECT_EQ(closeIds(), (std::vector<int32_t>{2, 4, 1, 3, -1, -1, -1, -1, -1, -1}));
    table.updateCloseNodes(0, 0);
    EXPECT_EQ(closeIds(), (std::vector<int32_t>{5, 2, 4, 1, 3, -1, -1, -1, -1, -1}));
    EXPECT_EQ(table.closeNode(10), nullptr);
    EXPECT_EQ(table.closeNode(-1), nullptr);
    for (int32_t unknown : {-1, 44}) {
        table.updateCloseNodes(0, -1);
        table.updateCloseNodes(unknown, -1);
        EXPECT_EQ(table.closeNode(0), nullptr);
    }
    std::string file;
    for (int id = 0; id <= 20; ++id) {
        file += std::to_string(id) + " n\n";
    }
    ASSERT_TRUE(load(file));
    for (int id = 0; id <= 20; ++id) { // nearest last in table order: every insertion shifts
        place(id, id == 0 ? 0 : 21 - id, 0);
    }
    table.updateCloseNodes(0, 15);
    EXPECT_EQ(closeIds(), (std::vector<int32_t>{20, 19, 18, 17, 16, 14, 13, 12, 11, 10}));
}

// The span reaches every record, late and later ones too; a reloaded file starts every trail
// afresh.
TEST_F(NodeTableTest, TrailSpanReachesEveryRecordAndReloadClearsTrails) {
    const std::pair<double, int64_t> spans[] = {{120, 120000},     {0.0005, 1}, {0, 0},     {-5, 0},
                                                {1e300, 86400000}, {NAN, 0},    {2.5, 2500}};
    ASSERT_TRUE(load("1 a\n2 b\n"));
    table.addLateNode(50);
    for (const auto& [seconds, spanMs] : spans) {
        SCOPED_TRACE(seconds);
        table.setTrailSpan(seconds);
        EXPECT_EQ(table.trailSpanMs(), spanMs);
        EXPECT_EQ(table.findById(2)->trailSpanMs, spanMs);
        EXPECT_EQ(table.findById(50)->trailSpanMs, spanMs);
        EXPECT_EQ(table.addLateNode(60 + static_cast<int32_t>(spanMs % 7))->trailSpanMs, spanMs);
    }
    table.findById(1)->setState(36, -115, 1000, 0, 0, 0, "", "", "a");
    table.findById(1)->setState(36.1, -115, 1010, 0, 0, 0, "", "", "a");
    ASSERT_EQ(table.findById(1)->trail.size(), 2u);
    ASSERT_TRUE(load("1 a\n2 b\n"));
    EXPECT_EQ(table.findById(1)->trail.size(), 0u);
    EXPECT_EQ(table.findById(1)->trailSpanMs, 2500);
}

} // namespace
