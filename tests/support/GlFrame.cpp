#include "tests/support/GlFrame.h"

#include "render/FrameSetup.h"
#include "tests/support/FltkEvents.h"

#include <FL/Fl.H>
#include <FL/Fl_Double_Window.H>
#include <FL/gl.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace rendertest {

bool near(const Pixel& pixel, int r, int g, int b, int tolerance) {
    return std::abs(pixel.r - r) <= tolerance && std::abs(pixel.g - g) <= tolerance &&
           std::abs(pixel.b - b) <= tolerance;
}

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
    const size_t offset = ((static_cast<size_t>(height_ - 1 - y)) * width_ + x) * 3;
    return Pixel{rgb_[offset], rgb_[offset + 1], rgb_[offset + 2]};
}

Pixel FramePixels::atWorld(const MapView& view, double worldX, double worldY) const {
    const double scale = view.viewWidthNow() / view.pixelWidth();
    const double sx = (worldX - view.centerX()) / scale + view.pixelWidth() / 2;
    const double sy = view.pixelHeight() / 2 - (worldY - view.centerY()) / scale;
    return at(static_cast<int>(std::floor(sx)), static_cast<int>(std::floor(sy)));
}

int FramePixels::count(int x0, int y0, int x1, int y1, const Match& match) const {
    int matches = 0;
    for (int y = y0; y < y1; ++y) {
        for (int x = x0; x < x1; ++x) {
            matches += match(at(x, y)) ? 1 : 0;
        }
    }
    return matches;
}

PixelBox FramePixels::bounds(int x0, int y0, int x1, int y1, const Match& match) const {
    PixelBox box{x1, y1, -1, -1};
    for (int y = y0; y < y1; ++y) {
        for (int x = x0; x < x1; ++x) {
            if (match(at(x, y))) {
                box = {std::min(box.left, x), std::min(box.top, y), std::max(box.right, x),
                       std::max(box.bottom, y)};
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
        different += std::equal(&rgb_[i], &rgb_[i] + 3, &other.rgb_[i]) ? 0 : 1;
    }
    return different;
}

GlFrame::GlFrame(int width, int height, double centerX, double centerY, double viewWidth)
    : frameWidth_(width), frameHeight_(height) {
    window_ = new Fl_Double_Window(width, height, "frame test");
    surface_ = new glDrawSurface(0, 0, width, height);
    surface_->mode(FL_DOUBLE | FL_RGB | FL_ALPHA);
    window_->end();
    view_.setCenter(centerX, centerY);
    view_.setViewWidth(viewWidth);
    surface_->attachView(&view_);
    surface_->addDrawCallback(
        [](void* self, DrawContext& context) {
            GlFrame* frame = static_cast<GlFrame*>(self);
            if (frame->paint_) {
                frame->paint_(context);
                frame->readBack(frame->frameWidth_, frame->frameHeight_);
                frame->drawn_ = true;
            }
        },
        this);
}

GlFrame::~GlFrame() {
    dropContext();
    surface_->attachView(nullptr);
    delete window_;
}

bool GlFrame::draw(std::function<void(DrawContext&)> paint) {
    paint_ = std::move(paint);
    drawn_ = false;
    window_->show();
    surface_->redraw();
    const bool done = testsupport::waitFor([this] { return drawn_; });
    paint_ = nullptr;
    return done;
}

bool GlFrame::drawFramed(const std::function<void(DrawContext&)>& body) {
    return draw([&body](DrawContext& context) {
        render::FrameSetup::clear();
        render::FrameSetup::project(context);
        body(context);
    });
}

void GlFrame::dropContext() {
    window_->hide();
    Fl::wait(0);
}

std::string netpbmSgi(const testsupport::TempDir& dir, const std::string& name, int width,
                      int height, const std::function<Pixel(int x, int row)>& colourAt) {
    std::string ppm = "P6\n" + std::to_string(width) + " " + std::to_string(height) + "\n255\n";
    for (int row = 0; row < height; ++row) {
        for (int x = 0; x < width; ++x) {
            const Pixel p = colourAt(x, row);
            ppm += {static_cast<char>(p.r), static_cast<char>(p.g), static_cast<char>(p.b)};
        }
    }
    const std::string sgi = dir.file(name + ".sgi");
    const std::string command = "pnmtosgi " + dir.write(name + ".ppm", ppm) + " > " + sgi;
    return std::system(command.c_str()) == 0 ? sgi : "";
}

} // namespace rendertest
