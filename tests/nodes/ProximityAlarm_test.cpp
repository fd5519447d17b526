#include "nodes/ProximityAlarm.h"

#include "nodes/NodeTable.h"
#include "platform/Clock.h"
#include "tests/support/ManualClockTest.h"
#include "tests/support/TempDir.h"
#include "tests/support/ZoneGuard.h"

#include <gtest/gtest.h>

#include <functional>
#include <numbers>
#include <string>
#include <vector>

namespace {

using nodes::NodeRecord;
using nodes::ProximityAlarm;

// Metres along a meridian per degree of latitude.
const double kMetresPerDegree = ProximityAlarm::kEarthRadiusMetres * std::numbers::pi / 180.0;

constexpr double kTargetLatitude = 36.0;
constexpr double kTargetLongitude = -115.0;

class ProximityAlarmTest : public testsupport::ManualClockTest {
protected:
    void SetUp() override {
        ManualClockTest::SetUp();
        fresh();
    }
    // Records that never reported, the clock at its start, no alarm yet.
    void fresh() {
        clock.setTime(1700000000, 0);
        const std::string path = dir.write("nodes.txt", "1 Lead\n12 Courier\n13 Tanker\n14\n");
        ASSERT_TRUE(table.loadNodeFile(path.c_str()));
        table.setIdleLimits(5, 10);
        alarm = ProximityAlarm();
        bells = 0;
    }

    // A live report received now, dated now.
    void report(int32_t id, double latitude, double longitude = kTargetLongitude) {
        const platform::TimeStamp now = platform::Clock::now();
        ASSERT_TRUE(
            table.findById(id)->updatePosition(latitude, longitude, {}, now, "report time"));
    }
    // A vehicle `metres` north of the target, which reports too.
    void placeNorth(int32_t id, double metres) {
        report(1, kTargetLatitude);
        report(id, kTargetLatitude + metres / kMetresPerDegree);
    }
    void cycle(double alertMetres = 100.0, bool stateFromFile = false, int32_t targetId = 1) {
        alarm.update(table, targetId, alertMetres, platform::Clock::now(), stateFromFile);
        bells += static_cast<int>(alarm.entered().size());
    }
    std::vector<int32_t> ids(const std::vector<ProximityAlarm::Contact>& contacts) const {
        std::vector<int32_t> out;
        for (const ProximityAlarm::Contact& contact : contacts) {
            out.push_back(contact.id);
        }
        return out;
    }

    testsupport::TempDir dir;
    nodes::NodeTable table{250, 20};
    ProximityAlarm alarm;
    int bells = 0;
};

TEST(ProximityAlarmDistance, KnownPairs) {
    struct Case {
        const char* what;
        double lat1, lon1, lat2, lon2;
        double metres;
    };
    // Expected values of pairs off a meridian worked out from the chord between the points.
    const double degree = kMetresPerDegree; // 111 195.08 m
    const Case cases[] = {
        {"a degree of latitude", 0, 0, 1, 0, degree},
        {"a degree of latitude far north", 60, 20, 61, 20, degree},
        {"a degree of longitude on the equator", 0, 10, 0, 11, degree},
        {"a degree of longitude at 60 degrees north", 60, 10, 60, 11, 55597.011},
        {"across the antimeridian", 0, 179.5, 0, -179.5, degree},
        {"across the antimeridian, the other way", 10, -179.75, 10, 179.75, 54752.883},
        {"at the pole, any longitude", 90, 0, 90, 123, 0},
        {"over the pole", 89, 0, 89, 180, 2 * degree},
        {"antipodes", 0, 0, 0, 180, ProximityAlarm::kEarthRadiusMetres * std::numbers::pi},
        {"the same place", 36.1, -115.2, 36.1, -115.2, 0},
        {"45 m north in Nevada", 36.0, -115.0, 36.0 + 45 / degree, -115.0, 45},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_NEAR(ProximityAlarm::distanceMetres(c.lat1, c.lon1, c.lat2, c.lon2), c.metres, 0.01);
        EXPECT_NEAR(ProximityAlarm::distanceMetres(c.lat2, c.lon2, c.lat1, c.lon1), c.metres, 0.01);
    }
}

// In at 100 m or nearer, out only beyond 110 m; every entry rings once.
TEST_F(ProximityAlarmTest, EntersStaysLeavesAndReentersWithHysteresis) {
    struct Step {
        double metres;
        bool inAlarm;
        int bells; // so far
    };
    const Step steps[] = {
        {150, false, 0},     {100.001, false, 0}, {99.999, true, 1},   {60, true, 1},
        {109.999, true, 1},  {105, true, 1},      {110.001, false, 1}, {105, false, 1},
        {100.001, false, 1}, {99.999, true, 2},   {0, true, 2},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.metres);
        clock.advanceMs(1000);
        placeNorth(12, step.metres);
        cycle();
        EXPECT_EQ(alarm.isInAlarm(12), step.inAlarm);
        EXPECT_EQ(bells, step.bells);
        ASSERT_EQ(alarm.inAlarm().size(), step.inAlarm ? 1u : 0u);
        if (step.inAlarm) {
            EXPECT_NEAR(alarm.inAlarm()[0].metres, step.metres, 0.01);
        }
    }
    // Staying in alarm across cycles rings no more.
    cycle();
    cycle();
    EXPECT_EQ(bells, 2);
}

TEST_F(ProximityAlarmTest, OnlyReportingVehiclesTakePart) {
    struct Case {
        const char* what;
        std::function<void()> then;
        int32_t targetId;
        double alertMetres;
        std::vector<int32_t> inAlarm;
        int bells; // over all cycles
    };
    const std::function<void()> nothing = [] {};
    // `quiet` stays silent for `ms` while the other keeps reporting.
    const auto silent = [this](int32_t quiet, int ms) -> std::function<void()> {
        return [this, quiet, ms] {
            clock.advanceMs(ms);
            report(quiet == 12 ? 1 : 12, kTargetLatitude);
        };
    };
    const std::function<void()> back = [&] {
        silent(12, 10000)();
        cycle();
        placeNorth(12, 40);
    };
    const std::function<void()> newTarget = [this] { report(13, kTargetLatitude + 0.00001); };
    const Case cases[] = {
        {"both reporting", nothing, 1, 100, {12}, 1},
        {"the vehicle silent for its bad-idle limit", silent(12, 10000), 1, 100, {}, 1},
        {"the vehicle silent for a millisecond less", silent(12, 9999), 1, 100, {12}, 1},
        {"the target silent", silent(1, 10000), 1, 100, {}, 1},
        {"the silent vehicle reports again: a new entry", back, 1, 100, {12}, 2},
        {"another target: entries afresh, the old target among them",
         newTarget,
         13,
         100,
         {1, 12},
         3},
        {"an unknown target", nothing, 77, 100, {}, 1},
        {"vehicles that never reported stay out", nothing, 1, 1e9, {12}, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fresh();
        placeNorth(12, 50);
        cycle();
        c.then();
        cycle(c.alertMetres, false, c.targetId);
        EXPECT_EQ(ids(alarm.inAlarm()), c.inAlarm);
        EXPECT_EQ(bells, c.bells);
        EXPECT_FALSE(alarm.isInAlarm(c.targetId));
    }
}

// A display fed by state files goes by the stored status and the report time.
TEST_F(ProximityAlarmTest, StateFilesDecideByTheStoredStatus) {
    struct Case {
        int32_t status;
        int32_t seconds;
        bool inAlarm;
    };
    const Case cases[] = {{0, 1000, true}, {1, 1000, true}, {2, 1000, false}, {0, 0, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "status " << c.status << " at " << c.seconds);
        table.findById(1)->setState(kTargetLatitude, kTargetLongitude, 1000, 0, 0, 0, "", "", "L");
        table.findById(12)->setState(kTargetLatitude + 30 / kMetresPerDegree, kTargetLongitude,
                                     c.seconds, 0, c.status, 0, "", "", "Courier");
        cycle(100, true);
        EXPECT_EQ(alarm.isInAlarm(12), c.inAlarm);
    }
}

TEST_F(ProximityAlarmTest, NearestFirstInBoxAndEntries) {
    report(1, kTargetLatitude);
    report(12, kTargetLatitude + 44.6 / kMetresPerDegree);
    report(13, kTargetLatitude, kTargetLongitude + 0.000333); // 29.97 m east
    report(14, kTargetLatitude - 80 / kMetresPerDegree);
    cycle();
    EXPECT_EQ(ids(alarm.inAlarm()), (std::vector<int32_t>{13, 12, 14}));
    EXPECT_EQ(ids(alarm.entered()), (std::vector<int32_t>{13, 12, 14}));
    EXPECT_EQ(alarm.boxText(table), "ALERT ID013 Tanker 30 m from ID001 +2 more");

    struct Case {
        double metres;
        const char* box;
    };
    const Case cases[] = {
        {44.6, "ALERT ID012 Courier 45 m from ID001"},
        {44.4, "ALERT ID012 Courier 44 m from ID001"},
        {0.3, "ALERT ID012 Courier 0 m from ID001"},
        {100.0 - 1e-6, "ALERT ID012 Courier 100 m from ID001"},
        {101, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.metres);
        fresh();
        placeNorth(12, c.metres);
        cycle();
        EXPECT_EQ(alarm.boxText(table), c.box);
    }
    placeNorth(14, 20);
    placeNorth(12, 500);
    cycle();
    EXPECT_EQ(alarm.boxText(table), "ALERT ID014 20 m from ID001"); // no name, no gap
}

TEST_F(ProximityAlarmTest, EntryLineGivesTimeBothIdsAndDistance) {
    testsupport::ZoneGuard zone("UTC");
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
