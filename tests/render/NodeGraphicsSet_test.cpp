#include "render/NodeGraphicsSet.h"

#include "config/NodeGraphicsFile.h"
#include "config/Preferences.h"
#include "nodes/NodeTable.h"
#include "nodes/ProximityAlarm.h"
#include "tests/render/GlFrame.h"
#include "tests/support/ManualClockTest.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

namespace {

using nodes::NodeRecord;
using render::NodeGraphics;
using render::NodeGraphicsSet;
using render::RoleTable;

class NodeGraphicsSetTest : public testsupport::ManualClockTest {
protected:
    void SetUp() override {
        ManualClockTest::SetUp();
        const std::string nodeFile =
            dir.write("nodes.txt", "0 Zero\n1 One\n2 Two\n3\n4\n5\n6\n7\n8\n9\n10\n11\n12\n13\n");
        ASSERT_TRUE(table.loadNodeFile(nodeFile.c_str()));
        preferences.commentNode = false;
        preferences.commentPacket1 = false;
        preferences.commentPacket2 = false;
    }

    void load(const std::string& content) {
        const std::string path = dir.write("nodes.gfx", content);
        set.load(config::NodeGraphicsFile::read(path.c_str()));
        set.assignPerNodeIcons(table);
    }

    NodeRecord& record(int32_t id) { return *table.findById(id); }
    std::string nameOf(const NodeGraphics* g) const { return g != nullptr ? g->name() : "(none)"; }

    // Puts a node at (x, y) with a stored idle status, as a state file line would.
    void place(int32_t id, double x, double y, int32_t status = 0) {
        record(id).setState(y, x, 0, 0, status, 0, "", "", record(id).name);
    }

    testsupport::TempDir dir;
    nodes::NodeTable table{250, 20};
    config::Preferences preferences;
    NodeGraphicsSet set;
};

TEST_F(NodeGraphicsSetTest, LoadingBuildsRolesAndPerNodeIcons) {
    struct Case {
        std::string file;
        int count;
        std::map<int, std::string> slots;   // slot -> entry name; the others empty
        std::map<int32_t, int32_t> perNode; // id -> list index; the others none
        std::string ownIconOfNode5;
    };
    // The second D line is the default icon; lower-case d is unused, yet the first entry; an
    // unknown per-node id is ignored, the later one wins; ranks 0, -1 and -2 land in chase,
    // target and default, ranks beyond the table stay out of it; short names give number 0.
    const Case cases[] = {
        {"D1 a\nD2 b\n", 2, {{0, "D2"}}, {}, "D2"},
        {"d a\n", 1, {}, {}, "d"},
        {"Target\nChase\nProx3\nD\n",
         4,
         {{0, "D"}, {1, "Target"}, {2, "Chase"}, {5, "Prox3"}},
         {},
         "D"},
        {"D a\nIc3 b\nIc999 c\nIc3 d\nIc0004 e\n", 5, {{0, "D"}}, {{3, 3}, {4, 4}}, "D"},
        {"Prox0\nProx-1\nProx-2\n", 3, {{0, "Prox-2"}, {1, "Prox-1"}, {2, "Prox0"}}, {}, "Prox-2"},
        {"Prox11\nProx-3\nProx99999999999\nProx10\nProx1\n",
         5,
         {{3, "Prox1"}, {12, "Prox10"}},
         {},
         "Prox11"},
        {"Prox a\nIc b\n", 2, {{2, "Prox"}}, {{0, 1}}, "Prox"},
        {"", 0, {}, {}, "(none)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        load(c.file);
        EXPECT_EQ(set.count(), c.count);
        EXPECT_EQ(set.roleTable().size(), 13);
        for (int slot = -2; slot < 15; ++slot) {
            SCOPED_TRACE(slot);
            const auto it = c.slots.find(slot);
            EXPECT_EQ(nameOf(set.roleTable().slot(slot)),
                      it != c.slots.end() ? it->second : "(none)");
        }
        for (uint32_t i = 0; i < table.fileNodeCount(); ++i) {
            const NodeRecord& r = *table.recordAt(i);
            SCOPED_TRACE(r.id);
            const auto it = c.perNode.find(r.id);
            EXPECT_EQ(r.perNodeIcon, it != c.perNode.end() ? it->second : -1);
        }
        EXPECT_EQ(nameOf(set.choose(record(5), preferences, table).icon), c.ownIconOfNode5);
    }
}

TEST_F(NodeGraphicsSetTest, PerNodeIconsFollowTheCurrentFile) {
    load("D\nIc7 a\n");
    ASSERT_EQ(record(7).perNodeIcon, 1);
    EXPECT_EQ(nameOf(set.choose(record(7), preferences, table).icon), "Ic7");
    EXPECT_EQ(set.perNodeList().size(), 1u);
    load("D\nTarget\n");
    EXPECT_EQ(record(7).perNodeIcon, -1);
    EXPECT_TRUE(set.perNodeList().empty());
    EXPECT_EQ(nameOf(set.choose(record(7), preferences, table).icon), "D");
    // A stale index (the file replaced, icons not yet reassigned) never reads past the list.
    record(7).perNodeIcon = 40;
    EXPECT_EQ(nameOf(set.choose(record(7), preferences, table).icon), "D");
}

TEST_F(NodeGraphicsSetTest, TargetAndChaseOnOneNodeGetsTheTargetMarker) {
    load("D\nTarget\nChase\n");
    preferences.targetId = 1;
    preferences.chaseId = 1;
    preferences.targetIcon = true;
    preferences.chaseIcon = true;
    const NodeGraphicsSet::Choice choice = set.choose(record(1), preferences, table);
    EXPECT_TRUE(choice.inTargetGroup);
    EXPECT_EQ(nameOf(choice.marker), "Target");
    preferences.targetIcon = false; // still the target's rank: no marker rather than the chase's
    EXPECT_EQ(set.choose(record(1), preferences, table).marker, nullptr);
    EXPECT_TRUE(set.choose(record(1), preferences, table).inTargetGroup);
}

// Target 1 at the origin, chase 2 above it, nodes 3 to 13 to the right at growing distance.
class TargetGroupTest : public NodeGraphicsSetTest {
protected:
    void SetUp() override {
        NodeGraphicsSetTest::SetUp();
        place(0, -0.8, -0.5);
        place(1, 0, 0);
        place(2, 0, 0.4);
        for (int32_t id = 3; id <= 13; ++id) {
            place(id, 0.15 * (id - 2), id % 2 == 0 ? -0.2 : 0.2);
        }
        preferences.targetId = 1;
        preferences.chaseId = 2;
        table.updateCloseNodes(1, 2);
    }

    std::vector<int32_t> group() const {
        std::vector<int32_t> ids;
        for (uint32_t i = 0; i < table.fileNodeCount(); ++i) {
            if (set.choose(*table.recordAt(i), preferences, table).inTargetGroup) {
                ids.push_back(table.recordAt(i)->id);
            }
        }
        return ids;
    }
};

TEST_F(TargetGroupTest, GroupIsTargetChaseAndTheClosest) {
    load("D\n");
    struct Case {
        int32_t proxNumber;
        std::vector<int32_t> ids;
    };
    const Case cases[] = {
        {3, {1, 2, 3, 4, 5}},
        {0, {1, 2}},
        {-1, {1}},
        {-2, {}},
        {12, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}}, // ten closest at most
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.proxNumber);
        preferences.proxNumber = c.proxNumber;
        EXPECT_EQ(group(), c.ids);
    }
}

TEST_F(TargetGroupTest, ProximityMarkersByRankUpToTen) {
    load("D\nProx1\nProx10\nProx11\n");
    preferences.proxIcon = true;
    preferences.proxNumber = 40;
    for (uint32_t i = 0; i < table.fileNodeCount(); ++i) {
        const NodeGraphicsSet::Choice choice = set.choose(*table.recordAt(i), preferences, table);
        EXPECT_NE(nameOf(choice.marker), "Prox11");
    }
    EXPECT_EQ(nameOf(set.choose(*table.closeNode(0), preferences, table).marker), "Prox1");
    EXPECT_EQ(nameOf(set.choose(*table.closeNode(9), preferences, table).marker), "Prox10");
    EXPECT_EQ(set.choose(*table.closeNode(1), preferences, table).marker, nullptr);
    preferences.proxIcon = false;
    EXPECT_EQ(set.choose(*table.closeNode(0), preferences, table).marker, nullptr);
}

// Whole frames: 800 x 600 pixels over 2 x 1.5 world units, 400 pixels per unit.
class NodeFrameTest : public TargetGroupTest {
protected:
    void SetUp() override {
        TargetGroupTest::SetUp();
        frame.view().setCenter(0, 0);
        frame.view().setViewWidth(2);
    }
    bool drawNodes(bool stateFromFile = true) {
        return frame.drawFramed([&](DrawContext& context) {
            set.drawNodes(context, preferences, table, stateFromFile, &alarm);
        });
    }
    rendertest::Pixel at(int32_t id) const {
        const NodeRecord& r = *table.findById(id);
        return frame.atWorld(r.longitude, r.latitude);
    }
    rendertest::Pixel beside(int32_t id, double dx) const {
        const NodeRecord& r = *table.findById(id);
        return frame.atWorld(r.longitude + dx, r.latitude);
    }
    static bool background(const rendertest::Pixel& p) { return rendertest::near(p, 0, 102, 128); }

    // Whether any pixel of the column of five pixels around a world point matches: a line of
    // two pixels may fall on either side of a pixel row.
    bool lineAt(double x, double y, const std::function<bool(const rendertest::Pixel&)>& match) {
        const double px = (x + 1.0) * 400.0;
        const double py = (0.75 - y) * 400.0;
        return frame.count(static_cast<int>(px), static_cast<int>(py) - 2, static_cast<int>(px) + 1,
                           static_cast<int>(py) + 3, match) > 0;
    }

    rendertest::GlFrame frame{800, 600};
    nodes::ProximityAlarm alarm;
};

// A colour drawn at `alpha` over the background.
std::function<bool(const rendertest::Pixel&)> overBackground(int r, int g, int b, double alpha) {
    return [=](const rendertest::Pixel& p) {
        return rendertest::near(p, static_cast<int>(r * alpha + 0 * (1 - alpha) + 0.5),
                                static_cast<int>(g * alpha + 102 * (1 - alpha) + 0.5),
                                static_cast<int>(b * alpha + 128 * (1 - alpha) + 0.5), 4);
    };
}

// A trail's core in a colour at `alpha` over its casing, black at half that, over the
// background.
std::function<bool(const rendertest::Pixel&)> trailCore(int r, int g, int b, double alpha) {
    const double under = (1 - alpha / 2) * (1 - alpha);
    return [=](const rendertest::Pixel& p) {
        return rendertest::near(p, static_cast<int>(r * alpha + 0 * under + 0.5),
                                static_cast<int>(g * alpha + 102 * under + 0.5),
                                static_cast<int>(b * alpha + 128 * under + 0.5), 4);
    };
}

// Markers lie under the icons, only the target group is drawn when so chosen, and without
// graphics nothing is.
TEST_F(NodeFrameTest, IconsOverMarkersAndOnlyTheGroupWhenChosen) {
    load("D x 5 5 5 1 0 0 1 0 0 1 0 0\nTarget x 15 15 15 1 1 0 1 1 0 1 1 0\n"
         "Chase x 15 15 15 1 0 1 1 0 1 1 0 1\nIc3 x 5 5 5 0 0 1 0 0 1 0 0 1\n");
    preferences.targetIcon = true;
    preferences.chaseIcon = false;
    preferences.proxNumber = 3;
    ASSERT_TRUE(drawNodes());
    EXPECT_TRUE(rendertest::near(at(1), 255, 0, 0));            // own icon on top
    EXPECT_TRUE(rendertest::near(beside(1, 0.1), 255, 255, 0)); // marker 40 px out
    EXPECT_TRUE(background(beside(1, 0.2)));
    EXPECT_TRUE(background(beside(2, -0.1)));        // chase marker switched off
    EXPECT_TRUE(rendertest::near(at(3), 0, 0, 255)); // its own per-node icon
    for (int32_t id : {0, 2, 6, 7}) {                // the rest lies outside the window
        EXPECT_TRUE(rendertest::near(at(id), 255, 0, 0)) << id;
    }
    preferences.displayMode = config::Preferences::kDisplayTargetGroup;
    ASSERT_TRUE(drawNodes());
    for (int32_t id = 0; id <= 7; ++id) {
        EXPECT_EQ(background(at(id)), id < 1 || id > 5) << id;
    }
    load("");
    ASSERT_TRUE(drawNodes());
    EXPECT_EQ(frame.count(0, 0, 800, 600, background), 800 * 600);
}

TEST_F(NodeFrameTest, StatusFromStateFileOrComputedNow) {
    load("D x 5 10 3 1 0 0 0 1 0 0 0 1\n");
    table.setIdleLimits(5, 10);
    clock.setCounter(100000); // first quarter of a second: the alternate look at full strength
    place(1, 0, 0, 1);
    place(2, 0, 0.4, 2);
    place(3, 0.15, 0.2, 0);
    const platform::TimeStamp now = platform::Clock::now();
    record(1).receiptTime = now; // fresh by the clock
    record(2).receiptTime = now;
    record(3).receiptTime.time = now.time - 6; // medium idle by the clock
    record(3).receiptTime.millitm = now.millitm;
    ASSERT_TRUE(drawNodes(true));
    EXPECT_TRUE(rendertest::near(at(1), 0, 255, 0));
    EXPECT_TRUE(rendertest::near(at(2), 0, 0, 255));
    EXPECT_TRUE(rendertest::near(at(3), 255, 0, 0));
    EXPECT_TRUE(rendertest::near(beside(1, 0.09), 0, 255, 0)); // s1 = 10: 80 px wide
    ASSERT_TRUE(drawNodes(false));
    EXPECT_TRUE(rendertest::near(at(1), 255, 0, 0));
    EXPECT_TRUE(background(beside(1, 0.09)));
    EXPECT_TRUE(rendertest::near(at(2), 255, 0, 0));
    EXPECT_TRUE(rendertest::near(at(3), 0, 255, 0));
    EXPECT_EQ(record(3).idleStatus, 1);
}

// Node 3 drove along the x axis, under node 1's icon at the origin, to (0.3, 0): its trail is
// drawn first, in the colour of its icon's status on a dark casing, fading back over the span.
TEST_F(NodeFrameTest, TrailsLieUnderEveryIconInTheirStatusColour) {
    load("D x 5 5 5 1 0 0 1 0 0 1 0 0\nIc3 x 5 5 5 0 0 1 1 1 0 0 1 1\n");
    clock.setCounter(900000); // last quarter of the second: icons in their normal colour
    table.setTrailSpan(100);
    record(3).setState(0, -0.6, 1000, 0, 1, 0, "", "", "");
    record(3).setState(0, 0.3, 1100, 0, 1, 0, "", "", ""); // medium idle: trail yellow
    preferences.proxNumber = 9;
    ASSERT_TRUE(drawNodes());
    EXPECT_TRUE(rendertest::near(at(1), 255, 0, 0)); // node 1's icon over the trail
    EXPECT_TRUE(rendertest::near(at(3), 0, 0, 255)); // node 3's icon over its own trail
    struct Probe {
        double x;
        double alpha; // 1 at the head (x 0.3), 0 at the end of the span (x -0.6)
    };
    for (const Probe& probe : {Probe{0.22, 1 - 0.08 / 0.9}, Probe{-0.15, 0.5}}) {
        SCOPED_TRACE(probe.x);
        EXPECT_TRUE(lineAt(probe.x, 0, trailCore(255, 255, 0, probe.alpha)));
        // The casing beside the core: the background darkened by half the alpha.
        EXPECT_TRUE(lineAt(probe.x, 0, overBackground(0, 0, 0, probe.alpha / 2)));
    }
    EXPECT_FALSE(lineAt(-0.7, 0, [](const rendertest::Pixel& p) { return !background(p); }));

    struct Case {
        const char* what;
        double spanSeconds;
        int32_t proxNumber;
    };
    const Case hidden[] = {
        {"no span", 0, 9},
        {"the node is not drawn", 100, 0},
    };
    preferences.displayMode = config::Preferences::kDisplayTargetGroup;
    for (const Case& c : hidden) {
        SCOPED_TRACE(c.what);
        table.setTrailSpan(c.spanSeconds);
        preferences.proxNumber = c.proxNumber;
        ASSERT_TRUE(drawNodes());
        EXPECT_TRUE(lineAt(-0.15, 0, background));
        EXPECT_FALSE(lineAt(-0.15, 0, [](const rendertest::Pixel& p) { return !background(p); }));
    }
}

// Node 4 (0.3, -0.2) and the chase node 2 (0, 0.4) are within 50 km of the target at the
// origin; the ring lies just outside the larger of icon and marker, and flashes with the pulse.
TEST_F(NodeFrameTest, AlarmRingFlashesUnderTheIconOutsideItsMarker) {
    load("D x 5 5 5 0 1 0 0 1 0 0 1 0\nChase x 15 15 15 1 0 1 1 0 1 1 0 1\n");
    preferences.chaseIcon = true;
    for (int32_t id : {1, 2, 4}) {
        record(id).setState(record(id).latitude, record(id).longitude, 1000, 0, 0, 0, "", "", "");
    }
    alarm.update(table, 1, 50000, platform::Clock::now(), true);
    ASSERT_TRUE(alarm.isInAlarm(4));
    ASSERT_TRUE(alarm.isInAlarm(2));
    ASSERT_FALSE(alarm.isInAlarm(5));
    struct Case {
        int64_t counter; // microseconds into the second
        double alpha;
    };
    for (const Case& c : {Case{100000, 1.0}, Case{500000, 0.5}, Case{900000, 0.0}}) {
        SCOPED_TRACE(c.counter);
        clock.setCounter(c.counter);
        ASSERT_TRUE(drawNodes());
        // Icon half side 20 px (0.05), ring from 20 to 27 px out.
        EXPECT_TRUE(overBackground(255, 0, 0, c.alpha)(beside(4, 0.0587)));
        EXPECT_TRUE(rendertest::near(beside(4, 0.04), 0, 255, 0));
        // The square icon's corner reaches into the ring, and covers it.
        const NodeRecord& four = record(4);
        EXPECT_TRUE(rendertest::near(frame.atWorld(four.longitude + 0.0415, four.latitude + 0.0415),
                                     0, 255, 0));
        EXPECT_TRUE(background(beside(4, 0.075)));
        EXPECT_TRUE(background(beside(5, 0.0587))); // not in alarm
        // The chase marker's half side is 60 px (0.15): its ring runs from 60 to 81 px out.
        EXPECT_TRUE(overBackground(255, 0, 0, c.alpha)(beside(2, 0.175)));
        EXPECT_TRUE(rendertest::near(beside(2, 0.1), 255, 0, 255)); // the marker over it
    }
    alarm.clear();
    clock.setCounter(100000);
    ASSERT_TRUE(drawNodes());
    EXPECT_TRUE(background(beside(4, 0.0587)));
}

} // namespace
