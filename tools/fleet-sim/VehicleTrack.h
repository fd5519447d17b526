#pragma once

#include "tools/fleet-sim/GeoPoint.h"
#include "tools/fleet-sim/SeededRandom.h"

#include <cstdint>

namespace fleetsim {

// The path of one simulated vehicle: a Lissajous figure (an ellipse when both
// frequencies are equal) around a centre of its own. Shape, size, phase,
// direction and speed come from the seed and the vehicle's place in the fleet,
// so a run is repeatable. Degrees are treated as plane coordinates, as the
// display does: the whole path stays within `radius` degrees of the fleet's
// centre. Positions are a pure function of time; any thread.
class VehicleTrack {
public:
    VehicleTrack(const SeededRandom& random, uint32_t vehicleIndex, GeoPoint fleetCenter,
                 double radius);

    // The position `seconds` after the start of the run.
    GeoPoint positionAt(double seconds) const;

private:
    GeoPoint center_;
    double halfWidth_;  // longitude swing of the figure
    double halfHeight_; // latitude swing of the figure
    double angularSpeed_;
    double frequencyLon_;
    double frequencyLat_;
    double phaseLon_;
    double phaseLat_;
};

} // namespace fleetsim
