#include "render/NodeGraphicsSet.h"

#include "config/NodeGraphicsFile.h"
#include "config/Preferences.h"
#include "nodes/NodeTable.h"
#include "nodes/ProximityAlarm.h"
#include "tests/support/GlFrame.h"
#include "tests/support/ManualClockTest.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using nodes::NodeRecord;
using rendertest::near;
using rendertest::Pixel;

// Nodes 0 to 13 in the table; once placed, target 1 at the origin, chase 2 above it, 3 to 13
// to the right at growing distance, 0 down left. Frames are 800 x 600 pixels over 2 x 1.5 units.
class NodeGraphicsSetTest : public testsupport::ManualClockTest {
protected:
    void SetUp() override {
        ManualClockTest::SetUp();
        ASSERT_TRUE(table.loadNodeFile(
            dir.write("n.txt", "0 Zero\n1 One\n2 Two\n3\n4\n5\n6\n7\n8\n9\n10\n11\n12\n13\n")
                .c_str()));
        preferences.commentNode = preferences.commentPacket1 = preferences.commentPacket2 = false;
    }
    void load(const std::string& content) {
        set.load(config::NodeGraphicsFile::read(dir.write("nodes.gfx", content).c_str()));
        set.assignPerNodeIcons(table);
    }
    void placeAll() {
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
    void place(int32_t id, double x, double y, int32_t status = 0, int32_t seconds = 0) {
        rec(id).setState(y, x, seconds, 0, status, 0, "", "", rec(id).name);
    }
    NodeRecord& rec(int32_t id) { return *table.findById(id); }
    render::NodeGraphicsSet::Choice choose(const NodeRecord& r) {
        return set.choose(r, preferences, table);
    }
    static std::string nameOf(const render::NodeGraphics* g) { return g ? g->name() : "-"; }
    bool drawNodes(bool stateFromFile = true) {
        return frame.drawFramed([&](DrawContext& context) {
            set.drawNodes(context, preferences, table, stateFromFile, &alarm);
        });
    }
    Pixel at(int32_t id, double dx = 0, double dy = 0) {
        return frame.atWorld(rec(id).longitude + dx, rec(id).latitude + dy);
    }
    // Any of the five pixels of the column around (x, y): a line may fall either side of a row.
    bool lineAt(double x, double y, const rendertest::Match& match) {
        const int px = static_cast<int>((x + 1.0) * 400.0), py = static_cast<int>((0.75 - y) * 400);
        return frame.count(px, py - 2, px + 1, py + 3, match) > 0;
    }

    testsupport::TempDir dir;
    nodes::NodeTable table{250, 20};
    config::Preferences preferences;
    render::NodeGraphicsSet set;
    nodes::ProximityAlarm alarm;
    rendertest::GlFrame frame{800, 600};
};

bool background(const Pixel& p) {
    return near(p, 0, 102, 128);
}

// (r, g, b) at `alpha` over the background, itself darkened to `behind` by what lies between.
rendertest::Match over(int r, int g, int b, double alpha, double behind = 1.0) {
    return [=](const Pixel& p) {
        const double keep = behind * (1 - alpha);
        return near(p, static_cast<int>(r * alpha + 0.5),
                    static_cast<int>(g * alpha + 102 * keep + 0.5),
                    static_cast<int>(b * alpha + 128 * keep + 0.5), 4);
    };
}

// D lines: the second is the default icon, lower-case d is none; unknown per-node ids are
// ignored, the later wins; ranks 0, -1, -2 land in chase, target and default, ranks beyond the
// table stay out; short names are number 0. Listed: "slot=name" and "id=list index".
TEST_F(NodeGraphicsSetTest, LoadingBuildsRolesAndPerNodeIcons) {
    const struct {
        const char *file, *slots, *perNode, *iconOf5;
    } cases[] = {
        {"D1 a\nD2 b\n", " 0=D2", "", "D2"},
        {"d a\n", "", "", "d"},
        {"Target\nChase\nProx3\nD\n", " 0=D 1=Target 2=Chase 5=Prox3", "", "D"},
        {"D a\nIc3 b\nIc999 c\nIc3 d\nIc0004 e\n", " 0=D", " 3=3 4=4", "D"},
        {"Prox0\nProx-1\nProx-2\n", " 0=Prox-2 1=Prox-1 2=Prox0", "", "Prox-2"},
        {"Prox11\nProx-3\nProx99999999999\nProx10\nProx1\n", " 3=Prox1 12=Prox10", "", "Prox11"},
        {"Prox a\nIc b\n", " 2=Prox", " 0=1", "Prox"},
        {"", "", "", "-"},
    };
    for (const auto& c : cases) {
        load(c.file);
        std::string slots, perNode;
        for (int slot = -2; slot < 15; ++slot) {
            const render::NodeGraphics* g = set.roleTable().slot(slot);
            slots += g ? " " + std::to_string(slot) + "=" + g->name() : "";
        }
        for (uint32_t i = 0; i < table.fileNodeCount(); ++i) {
            const NodeRecord& r = *table.recordAt(i);
            perNode += r.perNodeIcon >= 0
                           ? " " + std::to_string(r.id) + "=" + std::to_string(r.perNodeIcon)
                           : "";
        }
        EXPECT_EQ(slots, c.slots) << c.file;
        EXPECT_EQ(perNode, c.perNode) << c.file;
        EXPECT_EQ(set.roleTable().size(), 13);
        EXPECT_EQ(nameOf(choose(rec(5)).icon), c.iconOf5) << c.file;
    }
    // Per-node icons follow the current file; a stale index never reads past the list.
    load("D\nIc7 a\n");
    EXPECT_EQ(nameOf(choose(rec(7)).icon), "Ic7");
    load("D\nTarget\n");
    EXPECT_TRUE(set.perNodeList().empty());
    rec(7).perNodeIcon = 40;
    EXPECT_EQ(nameOf(choose(rec(7)).icon), "D");
}

// The group is target, chase and the closest (ten at most); markers by role and rank up to ten;
// a node both target and chase is the target's, even with the target's marker off.
TEST_F(NodeGraphicsSetTest, TargetGroupAndMarkers) {
    placeAll();
    load("D\nTarget\nChase\nProx1\nProx10\nProx11\n");
    const struct {
        int32_t proxNumber;
        std::vector<int32_t> ids;
    } cases[] = {
        {3, {1, 2, 3, 4, 5}},
        {0, {1, 2}},
        {-1, {1}},
        {-2, {}},
        {12, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}},
    };
    for (const auto& c : cases) {
        preferences.proxNumber = c.proxNumber;
        std::vector<int32_t> ids;
        for (uint32_t i = 0; i < table.fileNodeCount(); ++i) {
            if (choose(*table.recordAt(i)).inTargetGroup) {
                ids.push_back(table.recordAt(i)->id);
            }
        }
        EXPECT_EQ(ids, c.ids) << c.proxNumber;
    }
    preferences.proxIcon = true;
    preferences.proxNumber = 40;
    EXPECT_EQ(nameOf(choose(*table.closeNode(0)).marker), "Prox1");
    EXPECT_EQ(nameOf(choose(*table.closeNode(9)).marker), "Prox10");
    EXPECT_EQ(choose(*table.closeNode(1)).marker, nullptr);
    preferences.proxIcon = false;
    EXPECT_EQ(choose(*table.closeNode(0)).marker, nullptr);
    preferences.chaseId = 1;
    preferences.targetIcon = preferences.chaseIcon = true;
    EXPECT_EQ(nameOf(choose(rec(1)).marker), "Target");
    preferences.targetIcon = false;
    EXPECT_EQ(choose(rec(1)).marker, nullptr);
    EXPECT_TRUE(choose(rec(1)).inTargetGroup);
}

// Markers under icons, per-node icons, only the group when so chosen, nothing without graphics;
// the status colour from the state file or from the clock.
TEST_F(NodeGraphicsSetTest, IconsMarkersAndStatusInAFrame) {
    placeAll();
    load("D x 5 5 5 1 0 0 1 0 0 1 0 0\nTarget x 15 15 15 1 1 0 1 1 0 1 1 0\n"
         "Chase x 15 15 15 1 0 1 1 0 1 1 0 1\nIc3 x 5 5 5 0 0 1 0 0 1 0 0 1\n");
    preferences.targetIcon = true;
    preferences.chaseIcon = false;
    preferences.proxNumber = 3;
    ASSERT_TRUE(drawNodes());
    EXPECT_TRUE(near(at(1), 255, 0, 0));        // own icon on top
    EXPECT_TRUE(near(at(1, 0.1), 255, 255, 0)); // the marker 40 px out
    EXPECT_TRUE(background(at(1, 0.2)));
    EXPECT_TRUE(background(at(2, -0.1))); // chase marker off
    EXPECT_TRUE(near(at(3), 0, 0, 255));  // per-node icon
    for (int32_t id : {0, 2, 6, 7}) {
        EXPECT_TRUE(near(at(id), 255, 0, 0)) << id;
    }
    preferences.displayMode = config::Preferences::kDisplayTargetGroup;
    ASSERT_TRUE(drawNodes());
    for (int32_t id = 0; id <= 7; ++id) {
        EXPECT_EQ(background(at(id)), id < 1 || id > 5) << id;
    }
    load("");
    ASSERT_TRUE(drawNodes());
    EXPECT_EQ(frame.countAll(background), 800 * 600);

    load("D x 5 10 3 1 0 0 0 1 0 0 0 1\n");
    preferences.displayMode = config::Preferences::kDisplayAll;
    table.setIdleLimits(5, 10);
    clock.setCounter(100000); // first quarter second: the idle look at full strength
    place(1, 0, 0, 1);
    place(2, 0, 0.4, 2);
    const platform::TimeStamp now = platform::Clock::now();
    rec(1).receiptTime = rec(2).receiptTime = rec(3).receiptTime = now;
    rec(3).receiptTime.time = now.time - 6; // medium idle by the clock, normal in the file
    const struct {
        bool fromFile;
        int g1, b2, g3; // node 1 green?, node 2 blue?, node 3 green?
    } cases[] = {{true, 255, 255, 0}, {false, 0, 0, 255}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fromFile);
        ASSERT_TRUE(drawNodes(c.fromFile));
        EXPECT_TRUE(near(at(1), 255 - c.g1, c.g1, 0));
        EXPECT_TRUE(near(at(2), 255 - c.b2, 0, c.b2));
        EXPECT_TRUE(near(at(3), 255 - c.g3, c.g3, 0));
        EXPECT_EQ(background(at(1, 0.09)), !c.fromFile); // s1 = 10: 80 px wide
    }
    EXPECT_EQ(rec(3).idleStatus, 1);
}

// Node 3 drove under node 1's icon to (0.3, 0): its trail lies under every icon, in the colour
// of its status on a dark casing, fading over the span. Nodes 2 and 4 (and not 5) are within
// 50 km of the target: their rings, outside icon or marker, flash under them with the pulse.
TEST_F(NodeGraphicsSetTest, TrailsAndAlarmRingsInAFrame) {
    placeAll();
    load("D x 5 5 5 1 0 0 1 0 0 1 0 0\nIc3 x 5 5 5 0 0 1 1 1 0 0 1 1\n");
    clock.setCounter(900000); // last quarter second: icons in their normal colour
    table.setTrailSpan(100);
    place(3, -0.6, 0, 1, 1000);
    place(3, 0.3, 0, 1, 1100); // medium idle: the trail yellow
    preferences.proxNumber = 9;
    ASSERT_TRUE(drawNodes());
    EXPECT_TRUE(near(at(1), 255, 0, 0));
    EXPECT_TRUE(near(at(3), 0, 0, 255));
    for (const double x : {0.22, -0.15}) {
        const double alpha = (x + 0.6) / 0.9;
        EXPECT_TRUE(lineAt(x, 0, over(255, 255, 0, alpha, 1 - alpha / 2))) << x;
        EXPECT_TRUE(lineAt(x, 0, over(0, 0, 0, alpha / 2))) << x; // the casing
    }
    EXPECT_FALSE(lineAt(-0.7, 0, [](const Pixel& p) { return !background(p); }));
    preferences.displayMode = config::Preferences::kDisplayTargetGroup;
    for (const auto& [span, prox] : {std::pair{0, 9}, std::pair{100, 0}}) {
        table.setTrailSpan(span); // no span, or the node not drawn: no trail
        preferences.proxNumber = prox;
        ASSERT_TRUE(drawNodes());
        EXPECT_FALSE(lineAt(-0.15, 0, [](const Pixel& p) { return !background(p); })) << span;
    }

    preferences.displayMode = config::Preferences::kDisplayAll;
    table.setTrailSpan(0);
    preferences.chaseIcon = true;
    load("D x 5 5 5 0 1 0 0 1 0 0 1 0\nChase x 15 15 15 1 0 1 1 0 1 1 0 1\n");
    for (int32_t id : {1, 2, 4}) {
        place(id, rec(id).longitude, rec(id).latitude, 0, 1000);
    }
    alarm.update(table, 1, 50000, platform::Clock::now(), true);
    ASSERT_TRUE(alarm.isInAlarm(4) && alarm.isInAlarm(2) && !alarm.isInAlarm(5));
    for (const auto& [counter, alpha] : {std::pair{100000, 1.0}, {500000, 0.5}, {900000, 0.0}}) {
        SCOPED_TRACE(counter);
        clock.setCounter(counter);
        ASSERT_TRUE(drawNodes());
        EXPECT_TRUE(over(255, 0, 0, alpha)(at(4, 0.0587))); // icon half side 20 px, ring to 27
        EXPECT_TRUE(near(at(4, 0.04), 0, 255, 0));
        EXPECT_TRUE(near(at(4, 0.0415, 0.0415), 0, 255, 0)); // the icon's corner covers the ring
        EXPECT_TRUE(background(at(4, 0.075)));
        EXPECT_TRUE(background(at(5, 0.0587)));
        EXPECT_TRUE(over(255, 0, 0, alpha)(at(2, 0.175))); // outside the 60 px chase marker
        EXPECT_TRUE(near(at(2, 0.1), 255, 0, 255));
    }
    alarm.clear();
    clock.setCounter(100000);
    ASSERT_TRUE(drawNodes());
    EXPECT_TRUE(background(at(4, 0.0587)));
}

} // namespace
