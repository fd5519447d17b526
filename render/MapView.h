#pragma once

// Which part of the world the GL surface shows: a centre and a width in world units (x longitude,
// y latitude, decimal degrees, taken as plane coordinates); the height follows from the window's
// aspect ratio. Mouse drags on the surface pan it (button 1) and zoom it (button 3); each frame
// recomputes the drag's effect from the latest mouse position and loads an orthographic
// projection whose lower-left corner is the view's lower-left corner at (0, 0).
//
// Ownership: plain value object; the application owns its view, the surface owns its default
// one. Threads: main thread only (mouse events and frames both come from FLTK's event
// processing). Failure: none to report; a window width of 0 pixels counts as 1 pixel.
class MapView {
public:
    // The orthographic box that applyProjection loads.
    struct Ortho {
        double left;
        double right;
        double bottom;
        double top;
        double nearPlane;
        double farPlane;
    };

    MapView() = default;
    virtual ~MapView();

    // Both also move the drag reference, so a drag in progress continues from the new place.
    void setCenter(double x, double y);
    void setViewWidth(double width);
    double viewWidthNow() const { return viewWidth_; }

    // A push (1), release (2) or drag (5) at (x, y) pixels from the surface's top-left corner,
    // with the buttons held at that moment.
    void mouseEvent(int event, int x, int y, bool button1, bool button2, bool button3);

    // The frame's arithmetic without GL: takes the window size and, while the last mouse event
    // is a drag, applies its zoom and pan.
    void updateFromDrag(double windowWidth, double windowHeight);
    // updateFromDrag, then glOrtho(ortho()) and the depth offset. Needs a current GL context
    // with the projection matrix current and set to identity.
    void applyProjection(double windowWidth, double windowHeight);

    Ortho ortho() const;
    double depthOffset() const { return depthOffset_; }

    double centerX() const { return centerX_; }
    double centerY() const { return centerY_; }
    double aspect() const { return aspect_; }
    double pixelWidth() const { return pixelWidth_; }
    double pixelHeight() const { return pixelHeight_; }

    int lastEvent() const { return lastEvent_; }
    int currentX() const { return currentX_; }
    int currentY() const { return currentY_; }
    bool button1Held() const { return button1_; }
    bool button2Held() const { return button2_; }
    bool button3Held() const { return button3_; }

private:
    void startDrag();
    void applyZoom(double windowWidth);
    void applyPan(double windowWidth, double windowHeight);

    int lastEvent_ = -1;
    int pressX_ = 0;
    int pressY_ = 0;
    int currentX_ = 0;
    int currentY_ = 0;
    int dragDx_ = 0;
    int dragDy_ = 0;
    double centerX_ = 0.0;
    double centerY_ = 0.0;
    double viewWidth_ = 1.0;
    double referenceCenterX_ = 0.0;
    double referenceCenterY_ = 0.0;
    double referenceWidth_ = 1.0;
    double nearPlane_ = 1.0;
    double farPlane_ = 1000.0;
    double depthOffset_ = -500.0;
    double pixelWidth_ = 100.0;
    double pixelHeight_ = 100.0;
    // Start like the pixel size so that a drag reported without a push still has a sane scale.
    double referencePixelWidth_ = 100.0;
    double referencePixelHeight_ = 100.0;
    double aspect_ = 1.0;
    bool button1_ = false;
    bool button2_ = false;
    bool button3_ = false;
};
