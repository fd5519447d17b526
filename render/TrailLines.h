#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace nodes {
class Trail;
}

namespace render {

// The trails of one frame: for each node, the line from its icon back along its trail, fading
// from opaque at the icon to transparent where the trail's span ends. The fade follows the age
// of each point (its report time before the node's latest), so a point keeps its shade while
// the trail grows and the line's end moves smoothly as points grow old; a trail that has not
// yet filled its span ends less faded, where the node was first seen.
//
// Each line is drawn in its node's colour on a wider, dark, half-transparent casing, so it
// stands out on light and dark maps alike; every casing goes before every line. The lines go to
// the GL as client-side vertex arrays (GL 1.1) of their segments, one draw for all casings and
// one for all lines: a frame of a thousand trails makes no call per vertex or per trail.
//
// Owned by the node graphics set and reused frame after frame, so its buffers are allocated
// once. Main thread; draw needs the GL context current.
class TrailLines {
public:
    struct Vertex {
        double x = 0.0; // longitude, continued across the antimeridian
        double y = 0.0; // latitude
        double alpha = 1.0;
    };

    // Line widths in pixels, and the casing's opacity at an opaque point.
    static constexpr float kLineWidth = 2.0f;
    static constexpr float kCasingWidth = 4.0f;
    static constexpr double kCasingOpacity = 0.5;

    // The line from the head (the node's position at headTimeMs, opaque) back over the trail's
    // points not older than spanMs; where the span ends between two points the line ends
    // there, transparent. A point less than minStep (world units, along x and along y) from
    // the last vertex is left out: at a zoom where reports lie a fraction of a pixel apart
    // they would only cost time. Longitudes are continued from one vertex to the next, so a
    // trail crossing 180 degrees stays one short line. The line is added to the end of `out`;
    // returns the number of its vertices: none, or at least two.
    static size_t build(const nodes::Trail& trail, double headLongitude, double headLatitude,
                        int64_t headTimeMs, int64_t spanMs, double minStep,
                        std::vector<Vertex>& out);

    // Starts a frame's set of lines.
    void clear();
    // Adds one node's line (see build) in the colour, components 0 to 1.
    void add(const nodes::Trail& trail, double headLongitude, double headLatitude,
             int64_t headTimeMs, int64_t spanMs, double minStep, double red, double green,
             double blue);
    size_t lineCount() const { return lines_.size(); }
    // Draws every casing, then every line, at (x - originX, y - originY). Turns blending on
    // and texturing off, and leaves the line width at 1.
    void draw(double originX, double originY);

private:
    struct Line {
        size_t first;
        size_t count;
        unsigned char red, green, blue;
    };
    void fill(double originX, double originY, bool casing);

    std::vector<Vertex> vertices_;
    std::vector<Line> lines_;
    std::vector<double> points_;         // x, y of both ends of every segment, for the GL
    std::vector<unsigned char> colours_; // r, g, b, a of the same
};

} // namespace render
