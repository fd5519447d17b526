#include "tools/fleet-sim/VehicleTrack.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <numbers>

namespace fleetsim {
namespace {

// Keys of the values drawn for a track (distinct from those of other users of
// the same seed).
enum TrackKey : uint64_t {
    kCenterDistance = 0x101,
    kCenterAngle,
    kHalfWidth,
    kHalfHeight,
    kPeriod,
    kShape,
    kPhaseLon,
    kPhaseLat,
    kDirection,
};

// The figure's centre lies within 40 % of the radius and each swing is at most
// 0.6 / sqrt(2) of it, so no point of the figure is farther than the radius.
constexpr double kCenterShare = 0.4;
constexpr double kSwingShare = 0.6 / std::numbers::sqrt2;

// One trip round the basic figure takes 2 to 15 minutes: slow enough to look
// like traffic, fast enough that a demo shows movement.
constexpr double kShortestPeriod = 120.0;
constexpr double kLongestPeriod = 900.0;

struct FrequencyPair {
    double lon;
    double lat;
};
// Ellipses come twice as often as each of the other figures.
constexpr FrequencyPair kShapes[] = {{1, 1}, {1, 1}, {1, 2}, {2, 1}, {2, 3}, {3, 2}};

double wrapLongitude(double longitude) {
    const double wrapped = std::remainder(longitude, 360.0); // in [-180, 180]
    return wrapped == -180.0 ? 180.0 : wrapped;
}

} // namespace

VehicleTrack::VehicleTrack(const SeededRandom& random, uint32_t vehicleIndex, GeoPoint fleetCenter,
                           double radius) {
    const double twoPi = 2.0 * std::numbers::pi;
    // The square root spreads the centres evenly over the disc instead of
    // bunching them in the middle.
    const double distance =
        kCenterShare * radius * std::sqrt(random.unit(kCenterDistance, vehicleIndex));
    const double angle = twoPi * random.unit(kCenterAngle, vehicleIndex);
    center_.latitude = fleetCenter.latitude + distance * std::sin(angle);
    center_.longitude = fleetCenter.longitude + distance * std::cos(angle);
    halfWidth_ = kSwingShare * radius * random.between(0.3, 1.0, kHalfWidth, vehicleIndex);
    halfHeight_ = kSwingShare * radius * random.between(0.3, 1.0, kHalfHeight, vehicleIndex);

    const double period = random.between(kShortestPeriod, kLongestPeriod, kPeriod, vehicleIndex);
    const double direction = random.unit(kDirection, vehicleIndex) < 0.5 ? -1.0 : 1.0;
    angularSpeed_ = direction * twoPi / period;

    const size_t shapeCount = std::size(kShapes);
    const FrequencyPair& shape = kShapes[random.bits(kShape, vehicleIndex) % shapeCount];
    frequencyLon_ = shape.lon;
    frequencyLat_ = shape.lat;
    phaseLon_ = twoPi * random.unit(kPhaseLon, vehicleIndex);
    phaseLat_ = twoPi * random.unit(kPhaseLat, vehicleIndex);
}

GeoPoint VehicleTrack::positionAt(double seconds) const {
    const double turn = angularSpeed_ * seconds;
    GeoPoint point;
    point.latitude = center_.latitude + halfHeight_ * std::sin(frequencyLat_ * turn + phaseLat_);
    point.latitude = std::clamp(point.latitude, -90.0, 90.0);
    point.longitude =
        wrapLongitude(center_.longitude + halfWidth_ * std::sin(frequencyLon_ * turn + phaseLon_));
    return point;
}

} // namespace fleetsim
