#pragma once

#include "render/DrawContext.h"
#include "render/MapView.h"
#include "render/glDrawSurface.h"
#include "tests/support/TempDir.h"

#include <functional>
#include <string>
#include <vector>

class Fl_Double_Window;

namespace rendertest {

struct Pixel {
    int r = 0, g = 0, b = 0;
};
using Match = std::function<bool(const Pixel&)>;

// Rows and columns from the top-left corner, right and bottom inclusive.
struct PixelBox {
    int left = 0, top = 0, right = -1, bottom = -1;
    bool empty() const { return right < left; }
};

// Every channel within `tolerance` of (r, g, b) in 0..255.
bool near(const Pixel& pixel, int r, int g, int b, int tolerance = 3);

// The pixels of one frame, read from the back buffer inside the draw, before the swap. Positions
// count from the top-left corner, as on screen; outside the frame a pixel reads (-1, -1, -1).
class FramePixels {
public:
    void readBack(int width, int height);
    Pixel at(int x, int y) const;
    Pixel atWorld(const MapView& view, double worldX, double worldY) const;
    // Matching pixels in [x0, x1) x [y0, y1), and the box around them.
    int count(int x0, int y0, int x1, int y1, const Match& match) const;
    PixelBox bounds(int x0, int y0, int x1, int y1, const Match& match) const;
    // Pixels that differ from `other`'s (all of them when the sizes differ).
    int countDifferent(const FramePixels& other) const;

private:
    int width_ = 0;
    int height_ = 0;
    std::vector<unsigned char> rgb_; // rows bottom first, as GL reads them
};

// A real GL surface of an exact size in its own window on the virtual X server, showing `view()`.
// Main thread only; one at a time, since windows take turns on the X server.
class GlFrame : public FramePixels {
public:
    GlFrame(int width, int height, double centerX = 0, double centerY = 0, double viewWidth = 2);
    ~GlFrame();
    GlFrame(const GlFrame&) = delete;
    GlFrame& operator=(const GlFrame&) = delete;

    MapView& view() { return view_; }
    // Runs `paint` in the surface's draw and keeps the frame's pixels; false when the window did
    // not draw within ten seconds. drawFramed clears and projects first, as the program does.
    bool draw(std::function<void(DrawContext&)> paint);
    bool drawFramed(const std::function<void(DrawContext&)>& body);
    const FramePixels& pixels() const { return *this; }
    Pixel atWorld(double worldX, double worldY) const {
        return FramePixels::atWorld(view_, worldX, worldY);
    }
    int countAll(const Match& match) const { return count(0, 0, frameWidth_, frameHeight_, match); }
    // Hides the window, which ends its GL context; the next draw gets a new one.
    void dropContext();

private:
    int frameWidth_;
    int frameHeight_;
    Fl_Double_Window* window_ = nullptr;
    glDrawSurface* surface_ = nullptr;
    MapView view_;
    std::function<void(DrawContext&)> paint_;
    bool drawn_ = false;
};

// An SGI file made by netpbm's pnmtosgi from a picture given pixel by pixel, row 0 at the top as
// a person sees it; "" when it could not be made.
std::string netpbmSgi(const testsupport::TempDir& dir, const std::string& name, int width,
                      int height, const std::function<Pixel(int x, int row)>& colourAt);

} // namespace rendertest
