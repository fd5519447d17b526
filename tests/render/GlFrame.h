#pragma once

#include "render/DrawContext.h"
#include "render/MapView.h"
#include "render/glDrawSurface.h"
#include "tests/render/FramePixels.h"

#include <functional>
#include <vector>

class Fl_Double_Window;

namespace rendertest {

// A real GL surface of an exact size in its own window on the virtual X server, for tests that
// draw one frame and read back what it put on screen. The surface shows `view()`; `draw` runs
// `paint` inside the surface's draw (GL context current) and reads the back buffer before the
// swap, so the pixels are exactly the frame's.
//
// Main thread only; one GlFrame at a time (windows take turns on the X server).
class GlFrame {
public:
    GlFrame(int width, int height);
    ~GlFrame();
    GlFrame(const GlFrame&) = delete;
    GlFrame& operator=(const GlFrame&) = delete;

    MapView& view() { return view_; }
    glDrawSurface& surface() { return *surface_; }
    int width() const { return width_; }
    int height() const { return height_; }

    // Draws one frame; false when the window never drew within ten seconds.
    bool draw(std::function<void(DrawContext&)> paint);
    // The usual frame around `body`: background, the view's projection, blending
    // (render::FrameSetup), then `body`.
    bool drawFramed(std::function<void(DrawContext&)> body);

    // The pixel at (x, y) counted from the surface's top-left corner, as on screen.
    Pixel at(int x, int y) const { return pixels_.at(x, y); }
    // The pixel under a world point of the current view.
    Pixel atWorld(double worldX, double worldY) const {
        return pixels_.atWorld(view_, worldX, worldY);
    }
    const FramePixels& pixels() const { return pixels_; }
    // Hides the window, which ends its GL context; the next draw shows it in a new one.
    void dropContext();
    // Number of pixels in the rectangle [x0, x1) x [y0, y1) (from the top-left) that match.
    int count(int x0, int y0, int x1, int y1,
              const std::function<bool(const Pixel&)>& match) const {
        return pixels_.count(x0, y0, x1, y1, match);
    }

private:
    static void drawCallback(void* self, DrawContext& context);

    int width_;
    int height_;
    Fl_Double_Window* window_ = nullptr;
    glDrawSurface* surface_ = nullptr;
    MapView view_;
    std::function<void(DrawContext&)> paint_;
    bool drawn_ = false;
    FramePixels pixels_;
};

} // namespace rendertest
