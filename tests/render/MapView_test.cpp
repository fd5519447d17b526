#include "render/MapView.h"

#include <FL/Enumerations.H>
#include <gtest/gtest.h>

#include <cmath>

namespace {

// Centre (-115, 35), 2 wide, one frame in an 800 x 400 window; then a push and a drag.
MapView dragged(int fromX, int fromY, int toX, int toY, bool b1, bool b2, bool b3) {
    MapView view;
    view.setCenter(-115.0, 35.0);
    view.setViewWidth(2.0);
    view.updateFromDrag(800.0, 400.0);
    view.mouseEvent(FL_PUSH, fromX, fromY, b1, b2, b3);
    view.mouseEvent(FL_DRAG, toX, toY, b1, b2, b3);
    return view;
}

TEST(MapView, WindowsOfNoSize) {
    MapView view = dragged(0, 0, 0, 0, false, false, false);
    view.updateFromDrag(0.0, 300.0); // a 0-pixel window counts as 1 pixel
    EXPECT_EQ(view.aspect(), 300.0);
    // A window never given a positive width counts as 1 pixel wide for a pan that starts there;
    // a pan without a push stays finite.
    MapView never;
    never.setViewWidth(2.0);
    never.updateFromDrag(-50.0, 100.0);
    never.mouseEvent(FL_PUSH, 10, 10, true, false, false);
    never.mouseEvent(FL_DRAG, 20, 30, true, false, false);
    never.updateFromDrag(800.0, 400.0);
    MapView pushless;
    pushless.mouseEvent(FL_DRAG, 30, 40, true, false, true);
    pushless.updateFromDrag(800.0, 400.0);
    EXPECT_NEAR(never.centerX(), (400 - 20) * 2.0 / 800 + (10 - 0.5) * 2.0, 1e-9);
    EXPECT_TRUE(std::isfinite(pushless.centerX() + pushless.centerY() + pushless.viewWidthNow()));
}

// Button 3 zooms by four per window width to the right, button 1 pans with the mouse, both zoom
// first and pan with the new width; button 2 alone does nothing. Recomputed from the push at
// every frame, not accumulated; the pushed world point stays under the cursor.
TEST(MapView, DragsZoomAndPan) {
    const double q = 2.0 * std::pow(4.0, 0.25);
    const struct {
        bool b1, b2, b3;
        int fromX, fromY, toX, toY;
        double dx, dy, width;
    } cases[] = {
        {false, false, true, 300, 200, 500, 200, 0, 0, q},
        {false, false, true, 100, 100, 300, 100, 0, 0, 2.828427124746190},
        {false, false, true, 300, 200, 1100, 200, 0, 0, 8.0},
        {false, false, true, 900, 200, 100, 200, 0, 0, 0.5},
        {false, false, true, 300, 200, 300, 350, 0, 0, 2.0},
        {false, false, true, 300, 200, 500, 110, 0, 0, q},
        {true, false, false, 250, 120, 350, 120, -0.25, 0, 2.0},
        {true, false, false, 250, 120, 250, 160, 0, 0.1, 2.0},
        {true, false, false, 250, 120, 150, 80, 0.25, -0.1, 2.0},
        {true, false, false, 130, 310, 555, 20, -1.0625, -0.725, 2.0},
        {true, false, false, 250, 120, 250, 120, 0, 0, 2.0},
        {true, false, true, 400, 200, 600, 200, -200.0 * q / 800.0, 0, q},
        {false, true, false, 100, 100, 500, 300, 0, 0, 2.0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(&c - cases);
        MapView view = dragged(c.fromX, c.fromY, c.toX, c.toY, c.b1, c.b2, c.b3);
        EXPECT_EQ(view.lastEvent(), FL_DRAG);
        EXPECT_EQ(view.currentX(), c.toX);
        EXPECT_EQ(view.button1Held(), c.b1);
        EXPECT_EQ(view.button2Held(), c.b2);
        EXPECT_EQ(view.button3Held(), c.b3);
        for (int frame = 0; frame < 3; ++frame) {
            view.updateFromDrag(800.0, 400.0);
        }
        EXPECT_NEAR(view.viewWidthNow(), c.width, 1e-9);
        EXPECT_NEAR(view.centerX(), -115.0 + c.dx, 1e-12);
        EXPECT_NEAR(view.centerY(), 35.0 + c.dy, 1e-12);
        view.mouseEvent(FL_RELEASE, 700, 390, false, false, false); // the drag stops there
        view.updateFromDrag(800.0, 400.0);
        EXPECT_NEAR(view.centerX(), -115.0 + c.dx, 1e-12);
        EXPECT_FALSE(view.button1Held());
    }
}

// The setters move both the value and the drag's reference: a drag continues from there.
TEST(MapView, SettersMoveValueAndDragReference) {
    MapView view = dragged(400, 200, 500, 240, true, false, false);
    view.setCenter(-100.0, 40.0);
    view.updateFromDrag(800.0, 400.0);
    EXPECT_NEAR(view.centerX(), -100.25, 1e-12);
    EXPECT_NEAR(view.centerY(), 40.1, 1e-12);
    view.mouseEvent(FL_PUSH, 400, 200, true, false, false);
    view.setCenter(10.0, 20.0);
    view.setViewWidth(3.0);
    view.updateFromDrag(800.0, 400.0);
    EXPECT_NEAR(view.centerX(), 10.0, 1e-12);
    EXPECT_NEAR(view.centerY(), 20.0, 1e-12);
    EXPECT_EQ(view.viewWidthNow(), 3.0);
}

} // namespace
