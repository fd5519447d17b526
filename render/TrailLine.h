#pragma once

#include <cstdint>
#include <vector>

namespace nodes {
class Trail;
}

namespace render {

// The line drawn behind a node: from its icon back along its trail, fading from opaque at the
// icon to transparent where the trail's span ends. The fade follows the age of each point
// (its report time before the node's latest), so a point keeps its shade while the trail grows
// and the line's end moves smoothly as points grow old. Trails that have not yet filled their
// span end less faded, where the node was first seen.
//
// Pure arithmetic in build, GL 1.1 immediate mode in draw. Main thread; draw needs the GL
// context current.
class TrailLine {
public:
    struct Vertex {
        double x = 0.0; // longitude, continued across the antimeridian
        double y = 0.0; // latitude
        double alpha = 1.0;
    };

    // The line from the head (the node's position at headTimeMs, opaque) back over the trail's
    // points not older than spanMs; where the span ends between two points the line ends
    // there, transparent. Longitudes are continued from one vertex to the next, so a trail
    // crossing 180 degrees stays one short line. `out` is cleared first and holds no vertex,
    // or at least two.
    static void build(const nodes::Trail& trail, double headLongitude, double headLatitude,
                      int64_t headTimeMs, int64_t spanMs, std::vector<Vertex>& out);
    // One line strip in the colour, each vertex at its alpha, at (x - originX, y - originY).
    // Blending must be on.
    static void draw(const std::vector<Vertex>& vertices, double red, double green, double blue,
                     double originX, double originY);
};

} // namespace render
