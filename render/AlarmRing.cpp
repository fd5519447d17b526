#include "render/AlarmRing.h"

#include <FL/gl.h>

#include <cmath>
#include <numbers>

namespace render {
namespace {

// Enough sides that the ring looks round at the sizes icons have.
constexpr int kSides = 48;

} // namespace

void AlarmRing::draw(double x, double y, double innerRadius, double outerRadius, double alpha) {
    if (!(alpha > 0.0) || !(outerRadius > innerRadius)) {
        return;
    }
    glColor4d(1.0, 0.0, 0.0, alpha);
    glBegin(GL_TRIANGLE_STRIP);
    for (int side = 0; side <= kSides; ++side) {
        const double angle = 2.0 * std::numbers::pi * side / kSides;
        const double c = std::cos(angle);
        const double s = std::sin(angle);
        glVertex2d(x + outerRadius * c, y + outerRadius * s);
        glVertex2d(x + innerRadius * c, y + innerRadius * s);
    }
    glEnd();
}

} // namespace render
