#include "render/TrailLines.h"

#include "nodes/Trail.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using render::TrailLines;

struct Point {
    int64_t timeMs;
    double longitude;
};

// The vertices of a trail along the equator whose head is at headLongitude, 100 s after 0.
std::vector<TrailLines::Vertex> lineOf(const std::vector<Point>& points, double headLongitude,
                                       int64_t spanMs, double minStep) {
    nodes::Trail trail;
    for (const Point& point : points) {
        trail.add(point.timeMs, 0.0, point.longitude, 1000);
    }
    std::vector<TrailLines::Vertex> vertices{{9, 9, 9}}; // the line goes after what is there
    const size_t count =
        TrailLines::build(trail, headLongitude, 0.0, 100000, spanMs, minStep, vertices);
    EXPECT_EQ(count + 1, vertices.size());
    EXPECT_EQ(vertices.front().x, 9);
    return std::vector<TrailLines::Vertex>(vertices.begin() + 1, vertices.end());
}

TEST(TrailLines, FadesFromTheHeadToTheEndOfTheSpan) {
    struct Expected {
        double x;
        double alpha;
    };
    struct Case {
        const char* what;
        std::vector<Point> points; // oldest first
        double head;
        int64_t spanMs;
        std::vector<Expected> vertices;
        double minStep = 0;
    };
    const Case cases[] = {
        {"within the span", {{60000, 1}, {90000, 2}}, 3, 100000, {{3, 1}, {2, 0.9}, {1, 0.6}}},
        {"the span ends between two points: cut there, transparent",
         {{0, 0}, {80000, 2}},
         3,
         50000,
         {{3, 1}, {2, 0.6}, {1.25, 0}}},
        {"older points are left out",
         {{0, -50}, {10000, -40}, {80000, 2}},
         3,
         50000,
         {{3, 1}, {2, 0.6}, {-16, 0}}},
        {"the head's own report is the newest point",
         {{90000, 2}, {100000, 3}},
         3,
         100000,
         {{3, 1}, {3, 1}, {2, 0.9}}},
        {"across the antimeridian the line goes the short way",
         {{80000, 179}, {90000, -179.5}},
         -179,
         100000,
         {{-179, 1}, {-179.5, 0.9}, {-181, 0.8}}},
        {"points closer than the step to the last vertex are left out",
         {{50000, 1}, {60000, 2.05}, {70000, 2.1}, {80000, 2.9}},
         3,
         100000,
         {{3, 1}, {2.1, 0.7}, {1, 0.5}},
         0.5},
        {"only points within the step: no line", {{90000, 2.9}}, 3, 100000, {}, 0.5},
        {"no span", {{90000, 2}}, 3, 0, {}},
        {"no points", {}, 3, 100000, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::vector<TrailLines::Vertex> line = lineOf(c.points, c.head, c.spanMs, c.minStep);
        ASSERT_EQ(line.size(), c.vertices.size());
        for (size_t i = 0; i < line.size(); ++i) {
            SCOPED_TRACE(i);
            EXPECT_NEAR(line[i].x, c.vertices[i].x, 1e-9);
            EXPECT_EQ(line[i].y, 0.0);
            EXPECT_NEAR(line[i].alpha, c.vertices[i].alpha, 1e-9);
        }
    }
}

} // namespace
