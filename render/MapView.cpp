#include "render/MapView.h"

#include <FL/Enumerations.H>
#include <FL/gl.h>

#include <cmath>

MapView::~MapView() = default;

void MapView::setCenter(double x, double y) {
    centerX_ = x;
    centerY_ = y;
    referenceCenterX_ = x;
    referenceCenterY_ = y;
}

void MapView::setViewWidth(double width) {
    viewWidth_ = width;
    referenceWidth_ = width;
}

void MapView::mouseEvent(int event, int x, int y, bool button1, bool button2, bool button3) {
    button1_ = button1;
    button2_ = button2;
    button3_ = button3;
    lastEvent_ = event;
    currentX_ = x;
    currentY_ = y;
    if (event == FL_PUSH) {
        startDrag();
        return;
    }
    if (event == FL_DRAG) {
        dragDx_ = x - pressX_;
        dragDy_ = y - pressY_;
    }
}

void MapView::startDrag() {
    pressX_ = currentX_;
    pressY_ = currentY_;
    referenceCenterX_ = centerX_;
    referenceCenterY_ = centerY_;
    referenceWidth_ = viewWidth_;
    // The pan divides by the reference width in pixels: a window that was never given a positive
    // width counts as 1 pixel wide, as a 0-pixel window does below, instead of dividing by zero.
    referencePixelWidth_ = pixelWidth_ > 0.0 ? pixelWidth_ : 1.0;
    referencePixelHeight_ = pixelHeight_;
}

void MapView::updateFromDrag(double windowWidth, double windowHeight) {
    if (windowWidth == 0.0) {
        windowWidth = 1.0;
    }
    pixelWidth_ = windowWidth;
    pixelHeight_ = windowHeight;
    aspect_ = windowHeight / windowWidth;
    if (lastEvent_ != FL_DRAG) {
        return;
    }
    // Zoom first, so the pan works with the width the zoom reached.
    if (button3_) {
        applyZoom(windowWidth);
    }
    if (button1_) {
        applyPan(windowWidth, windowHeight);
    }
}

void MapView::applyZoom(double windowWidth) {
    // A drag across one window width to the right makes the view four times as wide.
    viewWidth_ = referenceWidth_ * std::pow(4.0, dragDx_ / windowWidth);
}

void MapView::applyPan(double windowWidth, double windowHeight) {
    // Keeps the world point that was under the cursor at the push under the cursor. Screen y
    // grows downwards and world y upwards, hence the opposite signs of the two axes.
    const double scale = viewWidth_ / windowWidth;
    const double referenceScale = referenceWidth_ / referencePixelWidth_;
    centerX_ = referenceCenterX_ - (currentX_ - windowWidth / 2) * scale +
               (pressX_ - referencePixelWidth_ / 2) * referenceScale;
    centerY_ = referenceCenterY_ - (pressY_ - referencePixelHeight_ / 2) * referenceScale +
               (currentY_ - windowHeight / 2) * scale;
}

MapView::Ortho MapView::ortho() const {
    return Ortho{0.0, viewWidth_, 0.0, aspect_ * viewWidth_, nearPlane_, farPlane_};
}

void MapView::applyProjection(double windowWidth, double windowHeight) {
    updateFromDrag(windowWidth, windowHeight);
    const Ortho box = ortho();
    glOrtho(box.left, box.right, box.bottom, box.top, box.nearPlane, box.farPlane);
    // Everything drawn at z = 0 then lies halfway into the depth range.
    glTranslated(0.0, 0.0, depthOffset_);
}
