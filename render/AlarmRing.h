#pragma once

namespace render {

// The red ring under the icon of a vehicle in proximity alarm. It lies just outside the
// larger of the node's icon and marker, so the marker does not hide it, and flashes once a
// second in step with the idle pulse: opaque while late icons show their alternate look,
// fading out as they return to their normal one.
//
// GL 1.1 immediate mode; main thread with the GL context current.
class AlarmRing {
public:
    // Radii as multiples of the half side of the larger of icon and marker.
    static constexpr double kInner = 1.0;
    static constexpr double kOuter = 1.35;

    // Opacity at pulse position t (NodeGraphics::pulseValue).
    static double alpha(double t) { return 1.0 - t; }
    // A red annulus centred on (x, y), in the frame's coordinates (origin already subtracted).
    // Blending must be on.
    static void draw(double x, double y, double innerRadius, double outerRadius, double alpha);
};

} // namespace render
