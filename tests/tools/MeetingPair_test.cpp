#include "tools/fleet-sim/MeetingPair.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

using fleetsim::MeetingPair;

TEST(MeetingPair, VisitorClosesInStaysAndLeavesWhileTheHostWaits) {
    struct Case {
        double seconds;
        double metres;    // from the host
        double hostTrack; // seconds along the host's own track
    };
    // Meetings: approach from 20 s, 40 m from 30 to 45 s, gone by 55 s; again 180 s later.
    const Case cases[] = {
        {0, 6000, 0},     {19.9, 6000, 19.9}, {20, 6000, 20},   {25, 3020, 20}, {30, 40, 20},
        {44.9, 40, 20},   {50, 3020, 20},     {55, 6000, 20},   {56, 6000, 21}, {199, 6000, 164},
        {205, 3020, 165}, {210, 40, 165},     {236, 6000, 166}, {390, 40, 310},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.seconds);
        EXPECT_NEAR(MeetingPair::distanceMetres(c.seconds), c.metres, 1e-6);
        EXPECT_NEAR(MeetingPair::hostTrackSeconds(c.seconds), c.hostTrack, 1e-9);
    }
}

TEST(MeetingPair, VisitorKeepsItsDistanceNorthEastOfTheHost) {
    // Metres per degree on the mean earth radius; east shrinks with the cosine of the latitude.
    const double perDegree = 6371008.8 * M_PI / 180.0;
    struct Case {
        double latitude;
        double longitude;
    };
    for (const Case& c : {Case{36.17, -115.14}, Case{-60, 179.99}, Case{0, 0}}) {
        SCOPED_TRACE(c.latitude);
        const fleetsim::GeoPoint visitor =
            MeetingPair::visitorPosition({c.latitude, c.longitude}, 35);
        const double north = (visitor.latitude - c.latitude) * perDegree;
        const double east = std::remainder(visitor.longitude - c.longitude, 360.0) * perDegree *
                            std::cos(c.latitude * M_PI / 180.0);
        EXPECT_NEAR(north, 40 / std::sqrt(2.0), 1e-6);
        EXPECT_NEAR(east, 40 / std::sqrt(2.0), 1e-3);
        EXPECT_LE(std::fabs(visitor.longitude), 180.0);
    }
}

} // namespace
