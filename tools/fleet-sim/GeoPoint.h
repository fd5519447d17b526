#pragma once

namespace fleetsim {

// A position in decimal degrees, north and east positive: the display's world
// coordinates.
struct GeoPoint {
    double latitude = 0.0;
    double longitude = 0.0;
};

} // namespace fleetsim
