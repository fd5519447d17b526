#include "render/TrailLines.h"

#include "nodes/Trail.h"

#include <gtest/gtest.h>

#include <vector>

using render::TrailLines;

// A trail along the equator (points oldest first: seconds, longitude) whose head is at `head` at
// 100 s fades from the head to the end of the span. Rows: within the span; cut, transparent,
// where the span ends between two points; older points left out; the head's own report is the
// newest point; the short way across the antimeridian; points closer than the step to the last
// vertex left out; only such points; no span; no points. The line goes after what was there.
TEST(TrailLines, FadesFromTheHeadToTheEndOfTheSpan) {
    const struct {
        std::vector<std::pair<int, double>> points;
        double head;
        int span;
        std::vector<std::pair<double, double>> line; // x and alpha
        double minStep = 0;
    } cases[] = {
        {{{60, 1}, {90, 2}}, 3, 100, {{3, 1}, {2, 0.9}, {1, 0.6}}},
        {{{0, 0}, {80, 2}}, 3, 50, {{3, 1}, {2, 0.6}, {1.25, 0}}},
        {{{0, -50}, {10, -40}, {80, 2}}, 3, 50, {{3, 1}, {2, 0.6}, {-16, 0}}},
        {{{90, 2}, {100, 3}}, 3, 100, {{3, 1}, {3, 1}, {2, 0.9}}},
        {{{80, 179}, {90, -179.5}}, -179, 100, {{-179, 1}, {-179.5, .9}, {-181, .8}}},
        {{{50, 1}, {60, 2.05}, {70, 2.1}, {80, 2.9}}, 3, 100, {{3, 1}, {2.1, .7}, {1, .5}}, .5},
        {{{90, 2.9}}, 3, 100, {}, 0.5},
        {{{90, 2}}, 3, 0, {}},
        {{}, 3, 100, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(&c - cases);
        nodes::Trail trail;
        for (const auto& [seconds, longitude] : c.points) {
            trail.add(seconds * 1000, 0.0, longitude, 1000);
        }
        std::vector<TrailLines::Vertex> line{{9, 9, 9}};
        EXPECT_EQ(TrailLines::build(trail, c.head, 0.0, 100000, c.span * 1000, c.minStep, line),
                  c.line.size());
        ASSERT_EQ(line.size(), c.line.size() + 1);
        EXPECT_EQ(line[0].x, 9);
        for (size_t i = 0; i < c.line.size(); ++i) {
            EXPECT_NEAR(line[i + 1].x, c.line[i].first, 1e-9) << i;
            EXPECT_EQ(line[i + 1].y, 0.0);
            EXPECT_NEAR(line[i + 1].alpha, c.line[i].second, 1e-9) << i;
        }
    }
}
