#include "render/ViewFollower.h"

#include "config/Preferences.h"
#include "nodes/NodeTable.h"
#include "render/MapView.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using render::ViewFollower;
using Prefs = config::Preferences;

namespace {

platform::TimeStamp at(int32_t seconds, uint16_t milliseconds) {
    platform::TimeStamp stamp;
    stamp.time = seconds;
    stamp.millitm = milliseconds;
    return stamp;
}

TEST(ViewFollowerArithmetic, ElapsedWantedWidthAndWeights) {
    const struct {
        platform::TimeStamp last, now;
        int32_t ms;
    } elapsed[] = {
        {at(0, 0), at(1750000000, 500), 10000}, // the first frame of a run
        {at(100, 900), at(101, 100), 200},      {at(100, 100), at(100, 133), 33},
        {at(100, 0), at(110, 999), 10999},      {at(100, 0), at(111, 0), 10000}, // the cap
        {at(100, 500), at(100, 400), 0},        {at(100, 0), at(95, 0), 0},      // clock set back
    };
    for (const auto& c : elapsed) {
        platform::TimeStamp last = c.last;
        EXPECT_EQ(ViewFollower::elapsedMs(last, c.now, 10), c.ms) << c.last.time;
        EXPECT_TRUE(last.time == c.now.time && last.millitm == c.now.millitm);
    }
    // Extents (x, y) in an 800 x 400 window; no height counts the vertical extent as 1.
    EXPECT_DOUBLE_EQ(ViewFollower::wantedWidth(1.0, 0.2, 800.0, 400.0), 3.0);
    EXPECT_DOUBLE_EQ(ViewFollower::wantedWidth(0.5, 1.0, 800.0, 400.0), 6.0);
    EXPECT_DOUBLE_EQ(ViewFollower::wantedWidth(0.1, 5.0, 800.0, 0.0), 1.5);
    EXPECT_DOUBLE_EQ(ViewFollower::widthWeight(0), 1.0);
    EXPECT_NEAR(ViewFollower::widthWeight(33), std::pow(0.0001, 0.99), 1e-15);
    const struct {
        int32_t ms;
        double distance, width, weight;
    } centre[] = {
        {33, 0.01, 2.0, 0.1}, // a tenth of the way, for any frame from 33 ms on
        {10000, 0.01, 2.0, 0.1},
        {16, 1.01, 2.0, 1.0},
        {16, 0.7, 2.0, 1.0},                                    // a third off: land
        {33, 0.6, 2.0, std::pow(0.1 * std::pow(1.2, 8), 0.99)}, // 4d/W = 1.2 eases
        {33, 0.0, 0.0, 0.1},                                    // a degenerate view
    };
    for (const auto& c : centre) {
        EXPECT_NEAR(ViewFollower::centerWeight(c.ms, c.distance, c.width), c.weight, 1e-12)
            << c.ms << " " << c.distance;
    }
}

// Nodes 1 target, 2 chase, 3 and 4; the view at (-115, 35), 2 wide, in an 800 x 400 window.
class ViewFollowerTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(table.loadNodeFile(dir.write("n.txt", "1 t\n2 c\n3 f\n4 n\n").c_str()));
        preferences.targetId = 1;
        preferences.chaseId = 2;
        preferences.trackMode = Prefs::kTrackAll;
        preferences.displayMode = Prefs::kDisplayAll;
        view.setCenter(-115.0, 35.0);
        view.setViewWidth(2.0);
    }
    void place(int32_t id, double longitude, double latitude, bool fresh = true) {
        nodes::NodeRecord* node = table.findById(id);
        node->longitude = longitude;
        node->latitude = latitude;
        node->everFresh = fresh;
    }
    // One frame `ms` after the previous one.
    void frame(int ms) {
        clockMs += ms;
        follower.update(view, table, preferences, 800.0, 400.0,
                        at(static_cast<int32_t>(1750000000 + clockMs / 1000),
                           static_cast<uint16_t>(clockMs % 1000)));
    }
    void expectView(double x, double y, double width) {
        EXPECT_NEAR(view.centerX(), x, 1e-9);
        EXPECT_NEAR(view.centerY(), y, 1e-9);
        EXPECT_NEAR(view.viewWidthNow(), width, 1e-9);
    }

    testsupport::TempDir dir;
    nodes::NodeTable table{250, 20};
    Prefs preferences;
    MapView view;
    ViewFollower follower;
    int64_t clockMs = 0;
};

// The first frame centres on the target and frames at once (a never fresh node does not count);
// a new wanted width is eased to; roam clears the state and returning jumps again.
TEST_F(ViewFollowerTest, FramesEasesAndRoams) {
    place(1, -115.0, 35.0);
    place(2, -100.0, 35.0, false);
    place(3, -114.0, 35.2);
    place(4, -115.5, 35.1);
    frame(16);
    EXPECT_TRUE(follower.centerInitialized() && follower.framingActive());
    EXPECT_FALSE(follower.zoomReset());
    expectView(-115.0, 35.0, 3.0);
    place(3, -113.0, 35.0); // wanted width 6
    frame(33);
    const double weight = ViewFollower::widthWeight(33);
    expectView(-115.0, 35.0, (1 - weight) * 3.0 + weight * 6.0);
    preferences.trackMode = Prefs::kTrackRoam;
    place(1, -114.9, 35.0);
    place(3, -114.0, 35.0);
    frame(16);
    EXPECT_FALSE(follower.centerInitialized() || follower.framingActive());
    EXPECT_TRUE(follower.zoomReset());
    EXPECT_DOUBLE_EQ(view.centerX(), -115.0); // roam leaves the view to the mouse
    preferences.trackMode = Prefs::kTrackAll;
    frame(16);
    expectView(-114.9, 35.0, 1.5 * 2 * 0.9);
}

// Following the target only moves a tenth towards a near target, lands on a far one, and
// leaves the width the user's.
TEST_F(ViewFollowerTest, CentreOnlyFollowsTheTarget) {
    place(1, -115.0, 35.0);
    preferences.trackMode = Prefs::kTrackTargetGroup;
    frame(16);
    place(1, -114.99, 35.0);
    frame(50);
    expectView(-115.0 + 0.001, 35.0, 2.0);
    place(1, -113.0, 36.0);
    frame(16);
    expectView(-113.0, 36.0, 2.0);
    EXPECT_FALSE(follower.framingActive());
}

// A missing or never fresh target leaves the view; a wanted width of 0 or not a number leaves
// the width until a node moves off.
TEST_F(ViewFollowerTest, MissingTargetAndDegenerateWidths) {
    preferences.targetId = 77;
    place(3, -110.0, 30.0);
    frame(16);
    expectView(-115.0, 35.0, 2.0);
    preferences.targetId = 1;
    place(1, -116.0, 36.0, false);
    frame(16);
    EXPECT_FALSE(follower.centerInitialized() || follower.framingActive());
    expectView(-115.0, 35.0, 2.0);
    place(1, -115.0, 35.0);
    place(3, -115.0, 35.0);
    frame(16);
    EXPECT_TRUE(follower.framingActive());
    expectView(-115.0, 35.0, 2.0);
    place(3, -114.0, 35.0);
    frame(16);
    EXPECT_DOUBLE_EQ(view.viewWidthNow(), 3.0);
    place(3, std::numeric_limits<double>::infinity(), 35.0);
    frame(16);
    EXPECT_DOUBLE_EQ(view.viewWidthNow(), 3.0);
}

// The target group frames on the chase and the close nodes only; a change of display mode makes
// the width jump at once.
TEST_F(ViewFollowerTest, TargetGroupFramingAndDisplayModeChange) {
    place(1, -115.0, 35.0);
    place(2, -113.8, 35.0);
    place(4, -115.0, 35.5);
    place(3, -100.0, 35.0);
    table.updateCloseNodes(1, 2);
    ASSERT_EQ(table.closeNode(0)->id, 4);
    preferences.proxNumber = 0;
    frame(16);
    ASSERT_DOUBLE_EQ(view.viewWidthNow(), 1.5 * 2 * 15.0);
    preferences.displayMode = Prefs::kDisplayTargetGroup;
    preferences.proxNumber = 1;
    frame(16);
    EXPECT_NEAR(view.viewWidthNow(), 3.6, 1e-9); // 1.5 * max(2 * 1.2, 2 * 0.5 * 2)
}

} // namespace
