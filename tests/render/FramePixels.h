#pragma once

#include <functional>
#include <vector>

class MapView;

namespace rendertest {

struct Pixel {
    int r = 0;
    int g = 0;
    int b = 0;
};

// A rectangle of pixels from the top-left corner, right and bottom inclusive; empty when nothing
// matched.
struct PixelBox {
    int left = 0;
    int top = 0;
    int right = -1;
    int bottom = -1;

    bool empty() const { return right < left; }
};

// The pixels of one drawn frame, read from the back buffer of the current GL context inside a
// draw, before the swap, so they are exactly the frame's. Positions count from the top-left
// corner, as on screen; outside the frame a pixel reads (-1, -1, -1).
class FramePixels {
public:
    void readBack(int width, int height);

    int width() const { return width_; }
    int height() const { return height_; }
    Pixel at(int x, int y) const;
    // The pixel under a world point of `view` as the frame showed it.
    Pixel atWorld(const MapView& view, double worldX, double worldY) const;
    // Number of pixels in the rectangle [x0, x1) x [y0, y1) that match.
    int count(int x0, int y0, int x1, int y1, const std::function<bool(const Pixel&)>& match) const;
    // The smallest box around the pixels in [x0, x1) x [y0, y1) that match.
    PixelBox bounds(int x0, int y0, int x1, int y1,
                    const std::function<bool(const Pixel&)>& match) const;
    // Number of pixels that differ from those of `other` (every pixel of a frame of another size).
    int countDifferent(const FramePixels& other) const;

private:
    int width_ = 0;
    int height_ = 0;
    std::vector<unsigned char> rgb_; // rows bottom first (GL order)
};

// Loose colour comparison: every channel within `tolerance` of (r, g, b) in 0..255.
bool near(const Pixel& pixel, int r, int g, int b, int tolerance = 3);

} // namespace rendertest
