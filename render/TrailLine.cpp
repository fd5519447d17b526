#include "render/TrailLine.h"

#include "nodes/Trail.h"

#include <FL/gl.h>

#include <algorithm>
#include <cmath>

namespace render {

void TrailLine::build(const nodes::Trail& trail, double headLongitude, double headLatitude,
                      int64_t headTimeMs, int64_t spanMs, std::vector<Vertex>& out) {
    out.clear();
    if (spanMs <= 0 || trail.size() == 0) {
        return;
    }
    const double span = static_cast<double>(spanMs);
    out.push_back(Vertex{headLongitude, headLatitude, 1.0});
    double previousAge = 0.0;
    for (size_t i = 0; i < trail.size(); ++i) {
        const nodes::Trail::Point& point = trail.fromNewest(i);
        const Vertex previous = out.back();
        const double x = previous.x + std::remainder(point.longitude - previous.x, 360.0);
        const double age = std::max(0.0, static_cast<double>(headTimeMs - point.timeMs));
        if (age <= span) {
            out.push_back(Vertex{x, point.latitude, 1.0 - age / span});
            previousAge = age;
            continue;
        }
        const double share = (span - previousAge) / (age - previousAge);
        out.push_back(Vertex{previous.x + share * (x - previous.x),
                             previous.y + share * (point.latitude - previous.y), 0.0});
        break;
    }
    if (out.size() < 2) {
        out.clear();
    }
}

void TrailLine::draw(const std::vector<Vertex>& vertices, double red, double green, double blue,
                     double originX, double originY) {
    if (vertices.size() < 2) {
        return;
    }
    glBegin(GL_LINE_STRIP);
    for (const Vertex& vertex : vertices) {
        glColor4d(red, green, blue, vertex.alpha);
        glVertex2d(vertex.x - originX, vertex.y - originY);
    }
    glEnd();
}

} // namespace render
