#include "render/MapView.h"

#include <FL/Enumerations.H>
#include <gtest/gtest.h>

#include <cmath>

namespace {

constexpr double tolerance = 1e-12;

// A view as the application sets it up, with one frame in an 800 x 400 window behind it.
MapView framedView() {
    MapView view;
    view.setCenter(-115.0, 35.0);
    view.setViewWidth(2.0);
    view.updateFromDrag(800.0, 400.0);
    return view;
}

void drag(MapView& view, int fromX, int fromY, int toX, int toY, bool b1, bool b2, bool b3) {
    view.mouseEvent(FL_PUSH, fromX, fromY, b1, b2, b3);
    view.mouseEvent(FL_DRAG, toX, toY, b1, b2, b3);
}

TEST(MapView, WindowSizeGivesAspectAndOrthoBox) {
    MapView view = framedView();
    EXPECT_EQ(view.pixelWidth(), 800.0);
    EXPECT_EQ(view.pixelHeight(), 400.0);
    const MapView::Ortho box = view.ortho();
    EXPECT_EQ(box.left, 0.0);
    EXPECT_EQ(box.right, 2.0);
    EXPECT_EQ(box.bottom, 0.0);
    EXPECT_EQ(box.top, 1.0);
    // A 0-pixel window counts as 1 pixel; a pan after one, or after no push, stays finite.
    view.updateFromDrag(0.0, 300.0);
    EXPECT_EQ(view.pixelWidth(), 1.0);
    EXPECT_EQ(view.aspect(), 300.0);
    MapView never;
    never.updateFromDrag(-50.0, 100.0);
    drag(never, 10, 10, 20, 30, true, false, false);
    never.updateFromDrag(800.0, 400.0);
    MapView pushless;
    pushless.mouseEvent(FL_DRAG, 30, 40, true, false, true);
    pushless.updateFromDrag(800.0, 400.0);
    for (const MapView* v : {&never, &pushless}) {
        EXPECT_TRUE(std::isfinite(v->centerX()) && std::isfinite(v->centerY()));
        EXPECT_TRUE(std::isfinite(v->viewWidthNow()));
    }
}

// Button 3 zooms by four per window width to the right, button 1 pans with the mouse, both
// zoom first and pan with the new width; button 2 alone does nothing. All from a push at
// (from) of the framed view (centre -115, 35, width 2, 800 x 400 pixels).
TEST(MapView, DragsZoomAndPan) {
    const double quarter = 2.0 * std::pow(4.0, 0.25);
    const struct {
        bool b1, b2, b3;
        int fromX, fromY, toX, toY;
        double dx, dy, width;
    } cases[] = {
        {false, false, true, 300, 200, 500, 200, 0, 0, quarter},
        {false, false, true, 100, 100, 300, 100, 0, 0, 2.828427124746190},
        {false, false, true, 300, 200, 1100, 200, 0, 0, 8.0},
        {false, false, true, 900, 200, 100, 200, 0, 0, 0.5},
        {false, false, true, 300, 200, 300, 350, 0, 0, 2.0},
        {false, false, true, 300, 200, 500, 110, 0, 0, quarter},
        {true, false, false, 250, 120, 350, 120, -0.25, 0, 2.0},
        {true, false, false, 250, 120, 250, 160, 0, 0.1, 2.0},
        {true, false, false, 250, 120, 150, 80, 0.25, -0.1, 2.0},
        {true, false, false, 250, 120, 250, 120, 0, 0, 2.0},
        {true, false, true, 400, 200, 600, 200, -200.0 * quarter / 800.0, 0, quarter},
        {false, true, false, 100, 100, 500, 300, 0, 0, 2.0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(&c - cases);
        MapView view = framedView();
        drag(view, c.fromX, c.fromY, c.toX, c.toY, c.b1, c.b2, c.b3);
        EXPECT_EQ(view.lastEvent(), FL_DRAG);
        EXPECT_EQ(view.currentX(), c.toX);
        EXPECT_EQ(view.button1Held(), c.b1);
        EXPECT_EQ(view.button2Held(), c.b2);
        EXPECT_EQ(view.button3Held(), c.b3);
        // Recomputed from the push at every frame, not accumulated.
        for (int frame = 0; frame < 3; ++frame) {
            view.updateFromDrag(800.0, 400.0);
        }
        EXPECT_NEAR(view.viewWidthNow(), c.width, 1e-9);
        EXPECT_NEAR(view.centerX(), -115.0 + c.dx, tolerance);
        EXPECT_NEAR(view.centerY(), 35.0 + c.dy, tolerance);
    }
}

TEST(MapView, PanKeepsThePushedWorldPointUnderTheCursorAndStopsAtRelease) {
    MapView view = framedView();
    const auto worldX = [&view](int sx) {
        return view.centerX() +
               (sx - view.pixelWidth() / 2) * view.viewWidthNow() / view.pixelWidth();
    };
    const auto worldY = [&view](int sy) {
        return view.centerY() -
               (sy - view.pixelHeight() / 2) * view.viewWidthNow() / view.pixelWidth();
    };
    const double pushedX = worldX(130);
    const double pushedY = worldY(310);
    drag(view, 130, 310, 555, 20, true, false, false);
    view.updateFromDrag(800.0, 400.0);
    EXPECT_NEAR(worldX(555), pushedX, tolerance);
    EXPECT_NEAR(worldY(20), pushedY, tolerance);
    const double x = view.centerX();
    view.mouseEvent(FL_RELEASE, 700, 390, false, false, false);
    view.updateFromDrag(800.0, 400.0);
    EXPECT_EQ(view.centerX(), x);
    EXPECT_FALSE(view.button1Held());
}

// The setters move both the value and the drag's reference: a drag continues from there.
TEST(MapView, SettersMoveValueAndDragReference) {
    MapView view = framedView();
    drag(view, 400, 200, 500, 240, true, false, false);
    view.setCenter(-100.0, 40.0);
    view.updateFromDrag(800.0, 400.0);
    EXPECT_NEAR(view.centerX(), -100.25, tolerance);
    EXPECT_NEAR(view.centerY(), 40.1, tolerance);
    drag(view, 400, 200, 400, 200, true, false, false);
    view.setCenter(10.0, 20.0);
    view.setViewWidth(3.0);
    view.updateFromDrag(800.0, 400.0);
    EXPECT_NEAR(view.centerX(), 10.0, tolerance);
    EXPECT_NEAR(view.centerY(), 20.0, tolerance);
    EXPECT_EQ(view.viewWidthNow(), 3.0);
}

} // namespace
