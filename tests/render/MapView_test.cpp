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

TEST(MapView, StartsWithItsDocumentedValues) {
    const MapView view;
    EXPECT_EQ(view.lastEvent(), -1);
    EXPECT_EQ(view.centerX(), 0.0);
    EXPECT_EQ(view.centerY(), 0.0);
    EXPECT_EQ(view.viewWidthNow(), 1.0);
    EXPECT_EQ(view.pixelWidth(), 100.0);
    EXPECT_EQ(view.pixelHeight(), 100.0);
    EXPECT_EQ(view.aspect(), 1.0);
    EXPECT_EQ(view.depthOffset(), -500.0);
    const MapView::Ortho box = view.ortho();
    EXPECT_EQ(box.nearPlane, 1.0);
    EXPECT_EQ(box.farPlane, 1000.0);
    EXPECT_FALSE(view.button1Held());
    EXPECT_FALSE(view.button2Held());
    EXPECT_FALSE(view.button3Held());
}

TEST(MapView, FrameTakesWindowSizeAndAspect) {
    MapView view;
    view.updateFromDrag(800.0, 400.0);
    EXPECT_EQ(view.pixelWidth(), 800.0);
    EXPECT_EQ(view.pixelHeight(), 400.0);
    EXPECT_EQ(view.aspect(), 0.5);
}

TEST(MapView, ZeroWidthWindowCountsAsOnePixel) {
    MapView view;
    view.updateFromDrag(0.0, 300.0);
    EXPECT_EQ(view.pixelWidth(), 1.0);
    EXPECT_EQ(view.aspect(), 300.0);
}

TEST(MapView, OrthoOf800By400AtWidth2ShowsOneDegreeOfLatitude) {
    const MapView view = framedView();
    const MapView::Ortho box = view.ortho();
    EXPECT_EQ(box.left, 0.0);
    EXPECT_EQ(box.right, 2.0);
    EXPECT_EQ(box.bottom, 0.0);
    EXPECT_EQ(box.top, 1.0);
    EXPECT_EQ(box.nearPlane, 1.0);
    EXPECT_EQ(box.farPlane, 1000.0);
}

TEST(MapView, SettersMoveValueAndDragReference) {
    MapView view = framedView();
    EXPECT_EQ(view.centerX(), -115.0);
    EXPECT_EQ(view.centerY(), 35.0);
    EXPECT_EQ(view.viewWidthNow(), 2.0);
    // A button-1 drag of zero pixels puts the view back on its reference: the setters' values.
    drag(view, 400, 200, 400, 200, true, false, false);
    view.setCenter(10.0, 20.0);
    view.setViewWidth(3.0);
    view.updateFromDrag(800.0, 400.0);
    EXPECT_NEAR(view.centerX(), 10.0, tolerance);
    EXPECT_NEAR(view.centerY(), 20.0, tolerance);
    EXPECT_EQ(view.viewWidthNow(), 3.0);
}

TEST(MapView, MouseEventStoresPositionAndButtons) {
    MapView view;
    view.mouseEvent(FL_DRAG, 12, 34, true, false, true);
    EXPECT_EQ(view.lastEvent(), FL_DRAG);
    EXPECT_EQ(view.currentX(), 12);
    EXPECT_EQ(view.currentY(), 34);
    EXPECT_TRUE(view.button1Held());
    EXPECT_FALSE(view.button2Held());
    EXPECT_TRUE(view.button3Held());
}

struct ZoomCase {
    const char* name;
    int dx;
    int dy;
    double expectedWidth;
};

TEST(MapView, Button3DragZoomsByFourPerWindowWidth) {
    const ZoomCase cases[] = {
        {"right a quarter width", 200, 0, 2.0 * std::pow(4.0, 0.25)},
        {"right one width", 800, 0, 8.0},
        {"left one width", -800, 0, 0.5},
        {"vertical only", 0, 150, 2.0},
        {"right a quarter and down", 200, -90, 2.0 * std::pow(4.0, 0.25)},
    };
    for (const ZoomCase& c : cases) {
        SCOPED_TRACE(c.name);
        MapView view = framedView();
        drag(view, 300, 200, 300 + c.dx, 200 + c.dy, false, false, true);
        view.updateFromDrag(800.0, 400.0);
        EXPECT_NEAR(view.viewWidthNow(), c.expectedWidth, tolerance);
        // Zoom alone does not pan.
        EXPECT_EQ(view.centerX(), -115.0);
        EXPECT_EQ(view.centerY(), 35.0);
    }
}

TEST(MapView, QuarterWidthZoomGivesTheDocumentedWidth) {
    MapView view = framedView();
    drag(view, 100, 100, 300, 100, false, false, true);
    view.updateFromDrag(800.0, 400.0);
    EXPECT_NEAR(view.viewWidthNow(), 2.828427, 1e-6);
}

struct PanCase {
    const char* name;
    int dx;
    int dy;
    double expectedDx;
    double expectedDy;
};

TEST(MapView, Button1DragPansWithTheMouse) {
    const PanCase cases[] = {
        {"right 100", 100, 0, -0.25, 0.0},
        {"down 40", 0, 40, 0.0, 0.1},
        {"left 100 and up 40", -100, -40, 0.25, -0.1},
        {"none", 0, 0, 0.0, 0.0},
    };
    for (const PanCase& c : cases) {
        SCOPED_TRACE(c.name);
        MapView view = framedView();
        drag(view, 250, 120, 250 + c.dx, 120 + c.dy, true, false, false);
        view.updateFromDrag(800.0, 400.0);
        EXPECT_NEAR(view.centerX(), -115.0 + c.expectedDx, tolerance);
        EXPECT_NEAR(view.centerY(), 35.0 + c.expectedDy, tolerance);
        EXPECT_EQ(view.viewWidthNow(), 2.0);
    }
}

TEST(MapView, PanKeepsThePushedWorldPointUnderTheCursor) {
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
}

TEST(MapView, BothButtonsZoomFirstThenPanWithTheNewWidth) {
    MapView view = framedView();
    drag(view, 400, 200, 600, 200, true, false, true);
    view.updateFromDrag(800.0, 400.0);
    const double width = 2.0 * std::pow(4.0, 0.25);
    EXPECT_NEAR(view.viewWidthNow(), width, tolerance);
    // Pushed at the centre, so the centre's world point follows the cursor 200 pixels right,
    // at the new scale.
    EXPECT_NEAR(view.centerX(), -115.0 - 200.0 * width / 800.0, tolerance);
    EXPECT_NEAR(view.centerY(), 35.0, tolerance);
}

TEST(MapView, Button2AloneChangesNothing) {
    MapView view = framedView();
    drag(view, 100, 100, 500, 300, false, true, false);
    view.updateFromDrag(800.0, 400.0);
    EXPECT_EQ(view.centerX(), -115.0);
    EXPECT_EQ(view.centerY(), 35.0);
    EXPECT_EQ(view.viewWidthNow(), 2.0);
}

TEST(MapView, AfterReleaseFramesLeaveTheViewWhereItIs) {
    MapView view = framedView();
    drag(view, 100, 100, 300, 140, true, false, true);
    view.updateFromDrag(800.0, 400.0);
    const double x = view.centerX();
    const double y = view.centerY();
    const double width = view.viewWidthNow();
    view.mouseEvent(FL_RELEASE, 700, 390, false, false, false);
    for (int frame = 0; frame < 3; ++frame) {
        view.updateFromDrag(800.0, 400.0);
        EXPECT_EQ(view.centerX(), x);
        EXPECT_EQ(view.centerY(), y);
        EXPECT_EQ(view.viewWidthNow(), width);
    }
}

TEST(MapView, DragIsRecomputedFromThePushNotAccumulated) {
    MapView view = framedView();
    drag(view, 400, 200, 500, 200, true, false, false);
    for (int frame = 0; frame < 4; ++frame) {
        view.updateFromDrag(800.0, 400.0);
    }
    EXPECT_NEAR(view.centerX(), -115.25, tolerance);
}

TEST(MapView, SetterDuringDragMovesViewRelativeToNewPlace) {
    MapView view = framedView();
    drag(view, 400, 200, 500, 240, true, false, false);
    view.setCenter(-100.0, 40.0);
    view.updateFromDrag(800.0, 400.0);
    EXPECT_NEAR(view.centerX(), -100.25, tolerance);
    EXPECT_NEAR(view.centerY(), 40.1, tolerance);
}

TEST(MapView, PanStaysFiniteAfterANegativeWindowWidth) {
    MapView view;
    view.updateFromDrag(-50.0, 100.0);
    drag(view, 10, 10, 20, 30, true, false, false);
    view.updateFromDrag(800.0, 400.0);
    EXPECT_TRUE(std::isfinite(view.centerX()));
    EXPECT_TRUE(std::isfinite(view.centerY()));
}

TEST(MapView, DragWithoutPushStaysFinite) {
    MapView view;
    view.mouseEvent(FL_DRAG, 30, 40, true, false, true);
    view.updateFromDrag(800.0, 400.0);
    EXPECT_TRUE(std::isfinite(view.centerX()));
    EXPECT_TRUE(std::isfinite(view.centerY()));
    EXPECT_TRUE(std::isfinite(view.viewWidthNow()));
}

} // namespace
