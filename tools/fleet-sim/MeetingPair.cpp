#include "tools/fleet-sim/MeetingPair.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace fleetsim {
namespace {

// A meeting, from the start of the approach to the end of the drive off.
constexpr double kMeeting = 2 * MeetingPair::kApproach + MeetingPair::kStay;
constexpr double kFirstStart = MeetingPair::kFirstMeeting - MeetingPair::kApproach;
static_assert(kMeeting < MeetingPair::kPeriod, "meetings must not overlap");

// Metres along a meridian per degree, on the mean earth radius.
constexpr double kMetresPerDegree = 6371008.8 * std::numbers::pi / 180.0;
// North-east.
constexpr double kBearing = std::numbers::pi / 4;

// Eases in and out, so the visitor slows down as it arrives and speeds up as it leaves.
double smoothStep(double x) {
    return x * x * (3.0 - 2.0 * x);
}

} // namespace

double MeetingPair::hostTrackSeconds(double seconds) {
    if (seconds <= kFirstStart) {
        return seconds;
    }
    const double since = seconds - kFirstStart;
    const double meetings = std::floor(since / kPeriod);
    const double into = since - meetings * kPeriod;
    return seconds - meetings * kMeeting - std::min(into, kMeeting);
}

double MeetingPair::distanceMetres(double seconds) {
    if (seconds <= kFirstStart) {
        return kFarMetres;
    }
    const double into = std::fmod(seconds - kFirstStart, kPeriod);
    if (into < kApproach) {
        return kFarMetres + (kNearMetres - kFarMetres) * smoothStep(into / kApproach);
    }
    if (into < kApproach + kStay) {
        return kNearMetres;
    }
    if (into < kMeeting) {
        return kNearMetres +
               (kFarMetres - kNearMetres) * smoothStep((into - kApproach - kStay) / kApproach);
    }
    return kFarMetres;
}

GeoPoint MeetingPair::visitorPosition(GeoPoint host, double seconds) {
    const double metres = distanceMetres(seconds);
    // Near a pole a metre east is many degrees: the cosine is kept from reaching 0.
    const double parallel = std::max(std::cos(host.latitude * std::numbers::pi / 180.0), 1e-6);
    GeoPoint visitor;
    visitor.latitude =
        std::clamp(host.latitude + metres * std::cos(kBearing) / kMetresPerDegree, -90.0, 90.0);
    visitor.longitude = std::remainder(
        host.longitude + metres * std::sin(kBearing) / (kMetresPerDegree * parallel), 360.0);
    return visitor;
}

} // namespace fleetsim
