#include "render/ViewFollower.h"

#include "config/Preferences.h"
#include "nodes/NodeRecord.h"
#include "nodes/NodeTable.h"
#include "render/MapView.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using render::ViewFollower;

namespace {

platform::TimeStamp at(int32_t seconds, uint16_t milliseconds) {
    platform::TimeStamp stamp;
    stamp.time = seconds;
    stamp.millitm = milliseconds;
    return stamp;
}

class ViewFollowerTest : public ::testing::Test {
protected:
    void SetUp() override {
        const std::string path = dir.write("nodes.txt", "1 target\n2 chase\n3 far\n4 near\n");
        ASSERT_TRUE(table.loadNodeFile(path.c_str()));
        preferences.targetId = 1;
        preferences.chaseId = 2;
        preferences.trackMode = config::Preferences::kTrackAll;
        preferences.displayMode = config::Preferences::kDisplayAll;
        view.setCenter(-115.0, 35.0);
        view.setViewWidth(2.0);
    }

    nodes::NodeRecord& place(int32_t id, double longitude, double latitude, bool fresh = true) {
        nodes::NodeRecord* node = table.findById(id);
        node->longitude = longitude;
        node->latitude = latitude;
        node->everFresh = fresh;
        return *node;
    }

    // One frame in an 800 x 400 window, `ms` after the previous one.
    void frame(int ms) {
        clockMs += ms;
        follower.update(view, table, preferences, 800.0, 400.0,
                        at(static_cast<int32_t>(1750000000 + clockMs / 1000),
                           static_cast<uint16_t>(clockMs % 1000)));
    }

    testsupport::TempDir dir;
    nodes::NodeTable table{250, 20};
    config::Preferences preferences;
    MapView view;
    ViewFollower follower;
    int64_t clockMs = 0;
};

} // namespace

TEST(ViewFollowerArithmetic, ElapsedMilliseconds) {
    struct Case {
        platform::TimeStamp last;
        platform::TimeStamp now;
        int32_t expected;
    };
    const Case cases[] = {
        {at(0, 0), at(1750000000, 500), 10000}, // the first frame of a run
        {at(100, 900), at(101, 100), 200},      // across a second boundary
        {at(100, 100), at(100, 133), 33},
        {at(100, 0), at(110, 999), 10999}, // ten seconds is not yet above the cap
        {at(100, 0), at(111, 0), 10000},   // above it
        {at(100, 500), at(100, 400), 0},   // wall clock set back: clamped
        {at(100, 0), at(95, 0), 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.last.time << "." << c.last.millitm << " -> "
                                        << c.now.time << "." << c.now.millitm);
        platform::TimeStamp last = c.last;
        EXPECT_EQ(ViewFollower::elapsedMs(last, c.now, 10), c.expected);
        EXPECT_EQ(last.time, c.now.time);
        EXPECT_EQ(last.millitm, c.now.millitm);
    }
}

TEST(ViewFollowerArithmetic, WantedWidthCoversTheFarthestNodeWithAMargin) {
    // Target (-115, 35), farthest fresh node (-114, 35.2), window 800 x 400.
    EXPECT_DOUBLE_EQ(ViewFollower::wantedWidth(1.0, 0.2, 800.0, 400.0), 3.0);
    // Tall extents win through the aspect ratio: 2 * 1 * 800 / 400 = 4.
    EXPECT_DOUBLE_EQ(ViewFollower::wantedWidth(0.5, 1.0, 800.0, 400.0), 6.0);
    // A window without height counts the vertical extent as 1.
    EXPECT_DOUBLE_EQ(ViewFollower::wantedWidth(0.1, 5.0, 800.0, 0.0), 1.5);
}

TEST(ViewFollowerArithmetic, Weights) {
    EXPECT_DOUBLE_EQ(ViewFollower::widthWeight(0), 1.0);
    EXPECT_NEAR(ViewFollower::widthWeight(33), std::pow(0.0001, 0.99), 1e-15);
    // A target 0.01 degrees off in a view 2 wide: a tenth of the way for any frame of 33 ms on.
    for (int ms : {33, 50, 100, 1000, 10000}) {
        SCOPED_TRACE(ms);
        EXPECT_DOUBLE_EQ(ViewFollower::centerWeight(ms, 0.01, 2.0), 0.1);
    }
    // More than a third of the width away: lands on the target.
    EXPECT_DOUBLE_EQ(ViewFollower::centerWeight(16, 1.01, 2.0), 1.0);
    EXPECT_DOUBLE_EQ(ViewFollower::centerWeight(16, 0.7, 2.0), 1.0);
    // In between the weight eases: 4d/W = 1.2 gives r = 1.2^8.
    EXPECT_NEAR(ViewFollower::centerWeight(33, 0.6, 2.0), std::pow(0.1 * std::pow(1.2, 8), 0.99),
                1e-12);
    // A degenerate view never yields a weight that is not a number.
    EXPECT_DOUBLE_EQ(ViewFollower::centerWeight(33, 0.0, 0.0), 0.1);
}

// A node never fresh (2, far off) does not count in the framing.
TEST_F(ViewFollowerTest, FirstFrameCentresOnTheTargetAndFramesAtOnce) {
    place(1, -115.0, 35.0);
    place(2, -100.0, 35.0, false);
    place(3, -114.0, 35.2);
    place(4, -115.5, 35.1);
    frame(16);
    EXPECT_TRUE(follower.centerInitialized());
    EXPECT_TRUE(follower.framingActive());
    EXPECT_DOUBLE_EQ(view.centerX(), -115.0);
    EXPECT_DOUBLE_EQ(view.centerY(), 35.0);
    // zoomReset starts set, so the width jumps to the 3.0 degrees wanted.
    EXPECT_DOUBLE_EQ(view.viewWidthNow(), 3.0);
    EXPECT_FALSE(follower.zoomReset());
}

TEST_F(ViewFollowerTest, WidthEasesTowardsANewWantedWidth) {
    place(1, -115.0, 35.0);
    place(3, -114.0, 35.0);
    frame(16);
    ASSERT_DOUBLE_EQ(view.viewWidthNow(), 3.0);
    place(3, -113.0, 35.0); // wanted width 6
    frame(33);
    const double weight = ViewFollower::widthWeight(33);
    EXPECT_NEAR(view.viewWidthNow(), (1 - weight) * 3.0 + weight * 6.0, 1e-12);
    EXPECT_LT(view.viewWidthNow(), 6.0);
}

TEST_F(ViewFollowerTest, CentreMovesATenthTowardsANearTargetAndLandsOnAFarOne) {
    place(1, -115.0, 35.0);
    preferences.trackMode = config::Preferences::kTrackTargetGroup;
    frame(16);
    place(1, -114.99, 35.0); // 0.01 degrees: a tenth of the way
    frame(50);
    EXPECT_NEAR(view.centerX(), -115.0 + 0.001, 1e-12);
    EXPECT_DOUBLE_EQ(view.centerY(), 35.0);
    place(1, -113.0, 36.0); // well over half the width away
    frame(16);
    EXPECT_DOUBLE_EQ(view.centerX(), -113.0);
    EXPECT_DOUBLE_EQ(view.centerY(), 36.0);
    // Centre only: the width stays the user's.
    EXPECT_DOUBLE_EQ(view.viewWidthNow(), 2.0);
    EXPECT_FALSE(follower.framingActive());
}

TEST_F(ViewFollowerTest, RoamClearsTheFollowStateAndReturningJumpsAgain) {
    place(1, -115.0, 35.0);
    place(3, -114.0, 35.0);
    frame(16);
    preferences.trackMode = config::Preferences::kTrackRoam;
    place(1, -114.9, 35.0);
    frame(16);
    EXPECT_FALSE(follower.centerInitialized());
    EXPECT_FALSE(follower.framingActive());
    EXPECT_TRUE(follower.zoomReset());
    EXPECT_DOUBLE_EQ(view.centerX(), -115.0); // roam leaves the view to the mouse
    preferences.trackMode = config::Preferences::kTrackAll;
    frame(16);
    EXPECT_DOUBLE_EQ(view.centerX(), -114.9);
    EXPECT_NEAR(view.viewWidthNow(), 1.5 * 2 * 0.9, 1e-9);
}

TEST_F(ViewFollowerTest, MissingOrNeverFreshTargetLeavesTheView) {
    preferences.targetId = 77;
    place(3, -110.0, 30.0);
    frame(16);
    EXPECT_DOUBLE_EQ(view.centerX(), -115.0);
    EXPECT_DOUBLE_EQ(view.viewWidthNow(), 2.0);

    preferences.targetId = 1;
    place(1, -116.0, 36.0, false);
    frame(16);
    EXPECT_FALSE(follower.centerInitialized());
    EXPECT_FALSE(follower.framingActive());
    EXPECT_DOUBLE_EQ(view.centerX(), -115.0);
    EXPECT_DOUBLE_EQ(view.viewWidthNow(), 2.0);
}

TEST_F(ViewFollowerTest, DegenerateWantedWidthLeavesTheWidth) {
    place(1, -115.0, 35.0);
    place(3, -115.0, 35.0); // every contributing node on the target: wanted width 0
    frame(16);
    EXPECT_TRUE(follower.framingActive());
    EXPECT_DOUBLE_EQ(view.viewWidthNow(), 2.0);
    EXPECT_TRUE(std::isfinite(view.centerX()));
    // Once a node moves off, the pending jump happens.
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
    place(3, -100.0, 35.0); // far away: closest list ranks it second
    table.updateCloseNodes(1, 2);
    ASSERT_EQ(table.closeNode(0)->id, 4);
    preferences.proxNumber = 0;
    frame(16);
    ASSERT_DOUBLE_EQ(view.viewWidthNow(), 1.5 * 2 * 15.0);
    preferences.displayMode = config::Preferences::kDisplayTargetGroup;
    preferences.proxNumber = 1;
    frame(16);
    // ex = 1.2 (the chase), ey = 0.5 (node 4) -> v = 2 * 0.5 * 2 = 2 -> 1.5 * max(2.4, 2).
    EXPECT_NEAR(view.viewWidthNow(), 3.6, 1e-9);
}
