#include "tools/fleet-sim/VehicleTrack.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

using fleetsim::GeoPoint;
using fleetsim::SeededRandom;
using fleetsim::VehicleTrack;

double distance(GeoPoint a, GeoPoint b) {
    return std::hypot(a.latitude - b.latitude, a.longitude - b.longitude);
}

TEST(VehicleTrack, StaysWithinTheRadiusOfTheCentre) {
    const GeoPoint center{35.0, -115.0};
    for (uint64_t seed : {1u, 2u, 42u, 12345u}) {
        const SeededRandom random(seed);
        for (uint32_t v = 0; v < 50; ++v) {
            const VehicleTrack track(random, v, center, 0.5);
            for (double t = 0.0; t < 3600.0; t += 7.3) {
                ASSERT_LE(distance(track.positionAt(t), center), 0.5 + 1e-12)
                    << "seed " << seed << " vehicle " << v << " t " << t;
            }
        }
    }
}

TEST(VehicleTrack, MovesSmoothly) {
    const SeededRandom random(5);
    const GeoPoint center{35.0, -115.0};
    for (uint32_t v = 0; v < 50; ++v) {
        const VehicleTrack track(random, v, center, 0.5);
        GeoPoint previous = track.positionAt(0.0);
        double travelled = 0.0;
        for (double t = 1.0; t <= 600.0; t += 1.0) {
            const GeoPoint now = track.positionAt(t);
            // At most the fastest figure's speed: no jumps between reports.
            ASSERT_LT(distance(now, previous), 0.05) << "vehicle " << v << " t " << t;
            travelled += distance(now, previous);
            previous = now;
        }
        EXPECT_GT(travelled, 0.05) << "vehicle " << v << " hardly moves";
    }
}

TEST(VehicleTrack, SameSeedAndVehicleSamePath) {
    const GeoPoint center{-33.9, 151.2};
    const VehicleTrack a(SeededRandom(77), 3, center, 0.2);
    const VehicleTrack b(SeededRandom(77), 3, center, 0.2);
    const VehicleTrack otherVehicle(SeededRandom(77), 4, center, 0.2);
    const VehicleTrack otherSeed(SeededRandom(78), 3, center, 0.2);
    for (double t = 0.0; t < 100.0; t += 3.0) {
        EXPECT_EQ(a.positionAt(t).latitude, b.positionAt(t).latitude);
        EXPECT_EQ(a.positionAt(t).longitude, b.positionAt(t).longitude);
    }
    EXPECT_NE(a.positionAt(10.0).latitude, otherVehicle.positionAt(10.0).latitude);
    EXPECT_NE(a.positionAt(10.0).latitude, otherSeed.positionAt(10.0).latitude);
}

TEST(VehicleTrack, LongitudesWrapAtTheDateLine) {
    const GeoPoint center{0.0, 179.9};
    bool crossed = false;
    for (uint32_t v = 0; v < 50; ++v) {
        const VehicleTrack track(SeededRandom(9), v, center, 0.5);
        for (double t = 0.0; t < 1800.0; t += 5.0) {
            const double longitude = track.positionAt(t).longitude;
            ASSERT_GT(longitude, -180.0);
            ASSERT_LE(longitude, 180.0);
            crossed = crossed || longitude < 0.0;
        }
    }
    EXPECT_TRUE(crossed);
}

} // namespace
