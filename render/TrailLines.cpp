#include "render/TrailLines.h"

#include "nodes/Trail.h"

#include <FL/gl.h>

#include <algorithm>
#include <cmath>

namespace render {
namespace {

unsigned char byteOf(double component) {
    return static_cast<unsigned char>(std::lround(std::clamp(component, 0.0, 1.0) * 255.0));
}

// The longitude nearest to `previous` that names the same meridian.
double continued(double longitude, double previous) {
    const double step = longitude - previous;
    return step > 180.0 || step < -180.0 ? previous + std::remainder(step, 360.0) : longitude;
}

} // namespace

size_t TrailLines::build(const nodes::Trail& trail, double headLongitude, double headLatitude,
                         int64_t headTimeMs, int64_t spanMs, double minStep,
                         std::vector<Vertex>& out) {
    if (spanMs <= 0 || trail.size() == 0) {
        return 0;
    }
    const size_t first = out.size();
    const double span = static_cast<double>(spanMs);
    out.push_back(Vertex{headLongitude, headLatitude, 1.0});
    double previousAge = 0.0;
    for (size_t i = 0; i < trail.size(); ++i) {
        const nodes::Trail::Point& point = trail.fromNewest(i);
        const Vertex previous = out.back();
        const double x = continued(point.longitude, previous.x);
        const double age = std::max(0.0, static_cast<double>(headTimeMs - point.timeMs));
        if (age <= span) {
            if (std::fabs(x - previous.x) >= minStep ||
                std::fabs(point.latitude - previous.y) >= minStep) {
                out.push_back(Vertex{x, point.latitude, 1.0 - age / span});
                previousAge = age;
            }
            continue;
        }
        const double share = (span - previousAge) / (age - previousAge);
        out.push_back(Vertex{previous.x + share * (x - previous.x),
                             previous.y + share * (point.latitude - previous.y), 0.0});
        break;
    }
    if (out.size() - first < 2) {
        out.resize(first);
    }
    return out.size() - first;
}

void TrailLines::clear() {
    vertices_.clear();
    lines_.clear();
}

void TrailLines::add(const nodes::Trail& trail, double headLongitude, double headLatitude,
                     int64_t headTimeMs, int64_t spanMs, double minStep, double red, double green,
                     double blue) {
    const size_t first = vertices_.size();
    const size_t count =
        build(trail, headLongitude, headLatitude, headTimeMs, spanMs, minStep, vertices_);
    if (count > 0) {
        lines_.push_back(Line{first, count, byteOf(red), byteOf(green), byteOf(blue)});
    }
}

// Each line as its segments, so that all lines go to the GL in one draw: a draw per line costs
// more than its vertices.
void TrailLines::fill(double originX, double originY, bool casing) {
    points_.clear();
    colours_.clear();
    const auto put = [&](const Line& line, const Vertex& vertex) {
        points_.push_back(vertex.x - originX);
        points_.push_back(vertex.y - originY);
        colours_.push_back(casing ? 0 : line.red);
        colours_.push_back(casing ? 0 : line.green);
        colours_.push_back(casing ? 0 : line.blue);
        colours_.push_back(byteOf(casing ? vertex.alpha * kCasingOpacity : vertex.alpha));
    };
    for (const Line& line : lines_) {
        for (size_t i = line.first + 1; i < line.first + line.count; ++i) {
            put(line, vertices_[i - 1]);
            put(line, vertices_[i]);
        }
    }
}

void TrailLines::draw(double originX, double originY) {
    if (lines_.empty()) {
        return;
    }
    glDisable(GL_TEXTURE_2D);
    glEnable(GL_BLEND);
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_COLOR_ARRAY);
    for (const bool casing : {true, false}) {
        fill(originX, originY, casing);
        glVertexPointer(2, GL_DOUBLE, 0, points_.data());
        glColorPointer(4, GL_UNSIGNED_BYTE, 0, colours_.data());
        glLineWidth(casing ? kCasingWidth : kLineWidth);
        glDrawArrays(GL_LINES, 0, static_cast<GLsizei>(points_.size() / 2));
    }
    glDisableClientState(GL_COLOR_ARRAY);
    glDisableClientState(GL_VERTEX_ARRAY);
    glLineWidth(1.0f);
}

} // namespace render
