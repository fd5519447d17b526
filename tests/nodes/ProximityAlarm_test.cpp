#include "nodes/ProximityAlarm.h"

#include "nodes/NodeTable.h"
#include "platform/Clock.h"
#include "tests/support/ManualClockTest.h"
#include "tests/support/TempDir.h"
#include "tests/support/ZoneGuard.h"

#include <gtest/gtest.h>

#include <functional>
#include <numbers>
#include <tuple>

namespace {

using nodes::ProximityAlarm;

// Metres along a meridian per degree of latitude.
const double kDegree = ProximityAlarm::kEarthRadiusMetres * std::numbers::pi / 180.0;

class ProximityAlarmTest : public testsupport::ManualClockTest {
protected:
    void SetUp() override {
        ManualClockTest::SetUp();
        fresh();
    }
    // Records that never reported, the clock at its start, no alarm yet.
    void fresh() {
        clock.setTime(1700000000, 0);
        ASSERT_TRUE(
            table.loadNodeFile(dir.write("n.txt", "1 Lead\n12 Courier\n13 Tanker\n14\n").c_str()));
        table.setIdleLimits(5, 10);
        alarm = ProximityAlarm();
        bells = 0;
    }
    // A live report received now and dated now, `metres` north of the target at 36 N, 115 W.
    void report(int32_t id, double metres, double east = 0) {
        ASSERT_TRUE(table.findById(id)->updatePosition(36.0 + metres / kDegree, -115.0 + east, {},
                                                       platform::Clock::now(), "report time"));
    }
    void placeNorth(int32_t id, double metres) {
        report(1, 0);
        report(id, metres);
    }
    void cycle(int32_t targetId = 1, bool stateFromFile = false, double alertMetres = 100) {
        alarm.update(table, targetId, alertMetres, platform::Clock::now(), stateFromFile);
        bells += static_cast<int>(alarm.entered().size());
    }
    std::vector<int32_t> inAlarm() const {
        std::vector<int32_t> out;
        for (const ProximityAlarm::Contact& contact : alarm.inAlarm()) {
            out.push_back(contact.id);
        }
        return out;
    }

    testsupport::TempDir dir;
    nodes::NodeTable table{250, 20};
    ProximityAlarm alarm;
    int bells = 0;
};

// Pairs off a meridian worked out from the chord between the points.
TEST(ProximityAlarmDistance, KnownPairs) {
    const std::tuple<double, double, double, double, double> cases[] = {
        {0, 0, 1, 0, kDegree},
        {60, 20, 61, 20, kDegree},
        {0, 10, 0, 11, kDegree},
        {60, 10, 60, 11, 55597.011},
        {0, 179.5, 0, -179.5, kDegree},
        {10, -179.75, 10, 179.75, 54752.883},
        {90, 0, 90, 123, 0},
        {89, 0, 89, 180, 2 * kDegree},
        {36.1, -115.2, 36.1, -115.2, 0},
        {0, 0, 0, 180, 180 * kDegree},
        {36.0, -115.0, 36.0 + 45 / kDegree, -115.0, 45},
    };
    for (const auto& [lat1, lon1, lat2, lon2, metres] : cases) {
        SCOPED_TRACE(testing::Message() << lat1 << " " << lon1 << " " << lat2 << " " << lon2);
        EXPECT_NEAR(ProximityAlarm::distanceMetres(lat1, lon1, lat2, lon2), metres, 0.01);
        EXPECT_NEAR(ProximityAlarm::distanceMetres(lat2, lon2, lat1, lon1), metres, 0.01);
    }
}

// In at 100 m or nearer, out only beyond 110 m; every entry rings once; the box gives the
// distance rounded to the metre.
TEST_F(ProximityAlarmTest, EntersStaysLeavesAndReentersWithHysteresis) {
    const std::tuple<double, bool, int, int> steps[] = {
        // metres, in alarm, bells so far, box
        {150, false, 0, 0},         {100.001, false, 0, 0},  {99.999, true, 1, 100},
        {60, true, 1, 60},          {109.999, true, 1, 110}, {105, true, 1, 105},
        {110.001, false, 1, 0},     {105, false, 1, 0},      {100.001, false, 1, 0},
        {100 - 1e-6, true, 2, 100}, {44.6, true, 2, 45},     {44.4, true, 2, 44},
        {0.3, true, 2, 0},
    };
    for (const auto& [metres, in, rung, box] : steps) {
        SCOPED_TRACE(metres);
        clock.advanceMs(1000);
        placeNorth(12, metres);
        cycle();
        EXPECT_EQ(alarm.isInAlarm(12), in);
        EXPECT_EQ(bells, rung);
        EXPECT_EQ(alarm.boxText(table),
                  in ? "ALERT ID012 Courier " + std::to_string(box) + " m from ID001" : "");
        ASSERT_EQ(alarm.inAlarm().size(), in ? 1u : 0u);
        EXPECT_NEAR(in ? alarm.inAlarm()[0].metres : metres, metres, 0.01);
    }
}

// After a first cycle with vehicle 12 at 50 m: what happens, the target, who is in alarm, bells.
// 13 and 14 never report and never count, however far the alert reaches.
TEST_F(ProximityAlarmTest, OnlyReportingVehiclesTakePart) {
    const auto silent = [this](int32_t quiet, int ms) -> std::function<void()> {
        return [this, quiet, ms] { clock.advanceMs(ms), report(quiet == 12 ? 1 : 12, 0); };
    };
    const std::function<void()> nothing = [] {}, back = [&] {
        silent(12, 10000)();
        cycle();
        placeNorth(12, 40);
    };
    const std::tuple<std::function<void()>, int32_t, std::vector<int32_t>, int> cases[] = {
        {nothing, 1, {12}, 1},
        {nothing, -1, {12}, 1},        // target 1 and an alert distance of 1000 km
        {silent(12, 10000), 1, {}, 1}, // silent for its bad-idle limit
        {silent(12, 9999), 1, {12}, 1},
        {silent(1, 10000), 1, {}, 1},                    // the target silent
        {back, 1, {12}, 2},                              // reporting again: a new entry
        {[this] { report(13, 0.001); }, 13, {1, 12}, 3}, // a new target: entries afresh
        {nothing, 77, {}, 1}};                           // an unknown target
    for (const auto& [then, targetId, ids, rung] : cases) {
        SCOPED_TRACE(testing::Message() << targetId << " " << rung << " " << ids.size());
        fresh();
        placeNorth(12, 50);
        cycle();
        then();
        cycle(std::abs(targetId), false, targetId < 0 ? 1e9 : 100);
        EXPECT_EQ(inAlarm(), ids);
        EXPECT_EQ(bells, rung);
        EXPECT_FALSE(alarm.isInAlarm(std::abs(targetId)));
    }
}

// A display fed by state files goes by the stored status and the report time.
TEST_F(ProximityAlarmTest, StateFilesDecideByTheStoredStatus) {
    const std::tuple<int32_t, int32_t, bool> cases[] = {
        {0, 1000, true}, {1, 1000, true}, {2, 1000, false}, {0, 0, false}};
    for (const auto& [status, seconds, in] : cases) {
        SCOPED_TRACE(testing::Message() << "status " << status << " at " << seconds);
        table.findById(1)->setState(36.0, -115.0, 1000, 0, 0, 0, "", "", "L");
        table.findById(12)->setState(36.0 + 30 / kDegree, -115.0, seconds, 0, status, 0, "", "",
                                     "C");
        cycle(1, true);
        EXPECT_EQ(alarm.isInAlarm(12), in);
    }
}

// The box names the nearest and how many more; the entry line adds the time.
TEST_F(ProximityAlarmTest, BoxTextAndEntryLine) {
    report(1, 0);
    report(12, 44.6);
    report(13, 0, 0.000333); // 29.97 m east
    report(14, -80);
    cycle();
    EXPECT_EQ(inAlarm(), (std::vector<int32_t>{13, 12, 14}));
    EXPECT_EQ(alarm.entered().size(), 3u);
    EXPECT_EQ(alarm.boxText(table), "ALERT ID013 Tanker 30 m from ID001 +2 more");
    placeNorth(14, 20);
    placeNorth(12, 500);
    placeNorth(13, 500);
    cycle();
    EXPECT_EQ(alarm.boxText(table), "ALERT ID014 20 m from ID001"); // no name, no gap
    testsupport::ZoneGuard zone("UTC");
    fresh();
    placeNorth(12, 45);
    cycle();
    ASSERT_EQ(alarm.entered().size(), 1u);
    EXPECT_EQ(alarm.entryLine(table, alarm.entered()[0], platform::Clock::now()),
              "2023-11-14 22:13:20 ALERT ID012 Courier 45 m from ID001");
    alarm.clear();
    EXPECT_FALSE(alarm.isInAlarm(12));
    EXPECT_EQ(alarm.boxText(table), "");
    cycle(); // cleared, so it enters again
    EXPECT_EQ(bells, 2);
}

} // namespace
