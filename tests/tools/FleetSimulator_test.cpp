#include "tools/fleet-sim/FleetSimulator.h"

#include "tests/tools/DisplayReading.h"

#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <vector>

namespace {

using fleetsim::DatagramSource;
using fleetsim::FleetOptions;
using fleetsim::FleetSimulator;
using fleetsim::VehicleList;

// 2004-06-15 12:34:56 UTC.
constexpr int64_t kStartMs = 1087302896000;

FleetOptions fixedOptions() {
    FleetOptions options;
    options.seed = 42;
    options.startTimeMs = kStartMs;
    return options;
}

std::vector<std::string> datagramsOf(FleetSimulator& fleet, uint64_t slots) {
    std::vector<std::string> datagrams;
    std::string datagram;
    for (uint64_t slot = 0; slot < slots; ++slot) {
        if (fleet.fill(slot, datagram) == DatagramSource::Slot::Datagram) {
            datagrams.push_back(datagram);
        }
    }
    return datagrams;
}

TEST(FleetSimulator, SameSeedAndStartTimeGiveTheSameDatagrams) {
    FleetSimulator a(fixedOptions(), VehicleList::range(0, 19));
    FleetSimulator b(fixedOptions(), VehicleList::range(0, 19));
    const std::vector<std::string> first = datagramsOf(a, 2000);
    EXPECT_EQ(first, datagramsOf(b, 2000));
    EXPECT_EQ(a.silentPeriods(), b.silentPeriods());

    FleetOptions otherSeed = fixedOptions();
    otherSeed.seed = 43;
    FleetSimulator c(otherSeed, VehicleList::range(0, 19));
    EXPECT_NE(first, datagramsOf(c, 2000));
}

TEST(FleetSimulator, EveryDatagramIsWellFormed) {
    FleetOptions options = fixedOptions();
    options.silentFraction = 0.5;
    std::vector<fleetsim::Vehicle> vehicles = {
        {1, "Smith, J."}, {2, "Convoy A"}, {999, "tab\tname"}, {1000, std::string(100, 'x')}};
    FleetSimulator fleet(options, vehicles);
    std::set<int> ids;
    for (const std::string& datagram : datagramsOf(fleet, 5000)) {
        SCOPED_TRACE(datagram);
        DisplayReading decoded;
        ASSERT_TRUE(DisplayReading::read(datagram, decoded));
        ids.insert(decoded.id);
        EXPECT_LE(std::hypot(decoded.latitude - 35.0, decoded.longitude + 115.0), 0.5 + 1e-5);
        EXPECT_EQ(decoded.comment2.rfind("Leg ", 0), 0u);
        if (decoded.id == 1) {
            EXPECT_EQ(decoded.comment1, "Smith; J.");
        }
        if (decoded.id == 999) {
            EXPECT_EQ(decoded.comment1, "tab name");
        }
        if (decoded.id == 1000) {
            EXPECT_EQ(decoded.comment1, std::string(63, 'x'));
        }
    }
    EXPECT_EQ(ids, (std::set<int>{1, 2, 999, 1000}));
}

TEST(FleetSimulator, VehiclesTakeTurnsSpreadOverEachSecond) {
    FleetOptions options = fixedOptions();
    options.silentFraction = 0.0;
    options.rate = 2.0; // 20 vehicles: 40 slots a second, 25 ms apart
    FleetSimulator fleet(options, VehicleList::range(0, 19));
    std::string datagram;
    for (uint64_t slot = 0; slot < 200; ++slot) {
        ASSERT_EQ(fleet.fill(slot, datagram), DatagramSource::Slot::Datagram);
        DisplayReading decoded;
        ASSERT_TRUE(DisplayReading::read(datagram, decoded));
        EXPECT_EQ(decoded.id, static_cast<int>(slot % 20));
        const int64_t expectedMs = kStartMs + static_cast<int64_t>(slot) * 25;
        EXPECT_EQ(decoded.utcMilliseconds, expectedMs / 10 * 10) << "slot " << slot;
        EXPECT_EQ(decoded.comment1, "Vehicle " + std::to_string(slot % 20));
    }
    EXPECT_EQ(fleet.silentPeriods(), 0u);
}

TEST(FleetSimulator, SilentVehiclesLeaveTheirTurnsEmpty) {
    FleetOptions options = fixedOptions();
    options.silentFraction = 1.0;
    options.silentSeconds = 2.0;
    FleetSimulator fleet(options, VehicleList::range(0, 9));
    std::string datagram;
    uint64_t skipped = 0;
    for (uint64_t slot = 0; slot < 10 * 120; ++slot) { // two minutes at one report a second
        const DatagramSource::Slot filled = fleet.fill(slot, datagram);
        ASSERT_NE(filled, DatagramSource::Slot::End);
        const uint32_t vehicle = static_cast<uint32_t>(slot % 10);
        const bool silent = fleet.silences().isSilent(vehicle, static_cast<double>(slot) / 10.0);
        EXPECT_EQ(filled == DatagramSource::Slot::Skip, silent) << "slot " << slot;
        skipped += silent ? 1 : 0;
    }
    EXPECT_GT(skipped, 0u);
    // Each silence of 2 to 4 s is met once per report it swallows, but counted once.
    EXPECT_GE(fleet.silentPeriods(), 10u);
    EXPECT_LT(fleet.silentPeriods(), skipped);
}

TEST(FleetSimulator, WithATotalRateSilentTurnsPassToTheNextVehicle) {
    FleetOptions options = fixedOptions();
    options.totalRate = 1000.0;
    options.silentFraction = 0.5;
    options.silentSeconds = 1.0;
    FleetSimulator fleet(options, VehicleList::range(0, 19));
    std::string datagram;
    for (uint64_t slot = 0; slot < 30000; ++slot) {
        ASSERT_EQ(fleet.fill(slot, datagram), DatagramSource::Slot::Datagram) << "slot " << slot;
    }
    EXPECT_GT(fleet.silentPeriods(), 0u);
}

TEST(FleetSimulator, FixedCommentsAreCleanedAndUsed) {
    FleetOptions options = fixedOptions();
    options.comment1 = "Depot 4, east";
    options.comment2 = "Status: ok";
    FleetSimulator fleet(options, VehicleList::range(5, 6));
    std::string datagram;
    ASSERT_EQ(fleet.fill(0, datagram), DatagramSource::Slot::Datagram);
    DisplayReading decoded;
    ASSERT_TRUE(DisplayReading::read(datagram, decoded)) << datagram;
    EXPECT_EQ(decoded.id, 5);
    EXPECT_EQ(decoded.comment1, "Depot 4; east");
    EXPECT_EQ(decoded.comment2, "Status: ok");
}

TEST(FleetSimulator, LegTextChangesNowAndThen) {
    FleetSimulator fleet(fixedOptions(), VehicleList::range(0, 4));
    for (uint32_t v = 0; v < 5; ++v) {
        std::set<std::string> legs;
        for (double t = 0.0; t < 1200.0; t += 10.0) {
            legs.insert(fleet.comment2At(v, t));
        }
        EXPECT_GE(legs.size(), 5u) << "vehicle " << v;
        EXPECT_LE(legs.size(), 22u) << "vehicle " << v;
    }
}

TEST(FleetSimulator, EmptyFleetEndsAtOnce) {
    FleetSimulator fleet(fixedOptions(), {});
    std::string datagram;
    EXPECT_EQ(fleet.fill(0, datagram), DatagramSource::Slot::End);
}

// The pair of --meet reports throughout, and the visitor's reports come within 40 m of the
// host's last one for 15 s every 3 minutes, the first time 30 s in: one entry each time into
// a 100 m alarm, never more.
TEST(FleetSimulator, MeetingPairMeetsNowAndThenAndNeverFallsSilent) {
    FleetOptions options = fixedOptions();
    options.silentFraction = 1.0;
    options.silentSeconds = 5.0;
    options.meet = FleetOptions::Meeting{1, 12};
    FleetSimulator fleet(options, VehicleList::range(0, 19));
    ASSERT_TRUE(fleet.meets());
    const double metresPerDegree = 6371008.8 * M_PI / 180.0;
    DisplayReading host;
    std::vector<double> entries;
    bool near = false;
    std::string datagram;
    for (uint64_t slot = 0; slot < 20 * 360; ++slot) { // six minutes
        const uint64_t vehicle = slot % 20;
        const DatagramSource::Slot filled = fleet.fill(slot, datagram);
        if (vehicle != 1 && vehicle != 12) {
            continue;
        }
        ASSERT_EQ(filled, DatagramSource::Slot::Datagram) << "slot " << slot;
        DisplayReading decoded;
        ASSERT_TRUE(DisplayReading::read(datagram, decoded));
        if (vehicle == 1) {
            host = decoded;
            continue;
        }
        const double north = (decoded.latitude - host.latitude) * metresPerDegree;
        const double east = (decoded.longitude - host.longitude) * metresPerDegree *
                            std::cos(host.latitude * M_PI / 180.0);
        const double metres = std::hypot(north, east);
        const double seconds = static_cast<double>(slot) / 20.0;
        if (std::fmod(seconds - 30.0, 180.0) >= 0.0 && std::fmod(seconds - 30.0, 180.0) < 15.0) {
            EXPECT_NEAR(metres, 40, 1) << seconds;
        }
        if (!near && metres <= 100) {
            entries.push_back(seconds);
        }
        near = metres <= 110; // the display's alarm leaves beyond 110 % of the distance
    }
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_NEAR(entries[0], 30, 1);
    EXPECT_NEAR(entries[1], 210, 1);

    options.meet = FleetOptions::Meeting{1, 55};
    EXPECT_FALSE(FleetSimulator(options, VehicleList::range(0, 19)).meets());
}

} // namespace
