#include "tests/render/FramePixels.h"

#include "render/MapView.h"

#include <FL/gl.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace rendertest {

void FramePixels::readBack(int width, int height) {
    width_ = width;
    height_ = height;
    glFinish();
    rgb_.assign(static_cast<size_t>(width) * height * 3, 0);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadBuffer(GL_BACK);
    glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, rgb_.data());
}

Pixel FramePixels::at(int x, int y) const {
    if (x < 0 || y < 0 || x >= width_ || y >= height_ || rgb_.empty()) {
        return Pixel{-1, -1, -1};
    }
    const size_t row = static_cast<size_t>(height_ - 1 - y);
    const size_t offset = (row * width_ + x) * 3;
    return Pixel{rgb_[offset], rgb_[offset + 1], rgb_[offset + 2]};
}

Pixel FramePixels::atWorld(const MapView& view, double worldX, double worldY) const {
    const double scale = view.viewWidthNow() / view.pixelWidth();
    const double sx = (worldX - view.centerX()) / scale + view.pixelWidth() / 2;
    const double sy = view.pixelHeight() / 2 - (worldY - view.centerY()) / scale;
    return at(static_cast<int>(std::floor(sx)), static_cast<int>(std::floor(sy)));
}

int FramePixels::count(int x0, int y0, int x1, int y1,
                       const std::function<bool(const Pixel&)>& match) const {
    int matches = 0;
    for (int y = y0; y < y1; ++y) {
        for (int x = x0; x < x1; ++x) {
            matches += match(at(x, y)) ? 1 : 0;
        }
    }
    return matches;
}

PixelBox FramePixels::bounds(int x0, int y0, int x1, int y1,
                             const std::function<bool(const Pixel&)>& match) const {
    PixelBox box{x1, y1, -1, -1};
    for (int y = y0; y < y1; ++y) {
        for (int x = x0; x < x1; ++x) {
            if (match(at(x, y))) {
                box.left = std::min(box.left, x);
                box.top = std::min(box.top, y);
                box.right = std::max(box.right, x);
                box.bottom = std::max(box.bottom, y);
            }
        }
    }
    return box.right < 0 ? PixelBox{} : box;
}

int FramePixels::countDifferent(const FramePixels& other) const {
    if (other.width_ != width_ || other.height_ != height_) {
        return width_ * height_;
    }
    int different = 0;
    for (size_t i = 0; i + 2 < rgb_.size(); i += 3) {
        different += rgb_[i] != other.rgb_[i] || rgb_[i + 1] != other.rgb_[i + 1] ||
                             rgb_[i + 2] != other.rgb_[i + 2]
                         ? 1
                         : 0;
    }
    return different;
}

bool near(const Pixel& pixel, int r, int g, int b, int tolerance) {
    return std::abs(pixel.r - r) <= tolerance && std::abs(pixel.g - g) <= tolerance &&
           std::abs(pixel.b - b) <= tolerance;
}

} // namespace rendertest
