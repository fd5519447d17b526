#include "tests/render/GlFrame.h"

#include "render/FrameSetup.h"
#include "tests/render/FltkWait.h"

#include <FL/Fl.H>
#include <FL/Fl_Double_Window.H>
#include <FL/gl.h>

#include <cmath>
#include <cstdlib>

namespace rendertest {

GlFrame::GlFrame(int width, int height) : width_(width), height_(height) {
    window_ = new Fl_Double_Window(width, height, "frame test");
    surface_ = new glDrawSurface(0, 0, width, height);
    surface_->mode(FL_DOUBLE | FL_RGB | FL_ALPHA);
    window_->end();
    surface_->attachView(&view_);
    surface_->addDrawCallback(&GlFrame::drawCallback, this);
}

GlFrame::~GlFrame() {
    window_->hide();
    Fl::wait(0);
    surface_->attachView(nullptr);
    delete window_;
}

void GlFrame::drawCallback(void* self, DrawContext& context) {
    GlFrame* frame = static_cast<GlFrame*>(self);
    if (!frame->paint_) {
        return;
    }
    frame->paint_(context);
    glFinish();
    frame->pixels_.assign(static_cast<size_t>(frame->width_) * frame->height_ * 3, 0);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadBuffer(GL_BACK);
    glReadPixels(0, 0, frame->width_, frame->height_, GL_RGB, GL_UNSIGNED_BYTE,
                 frame->pixels_.data());
    frame->drawn_ = true;
}

bool GlFrame::draw(std::function<void(DrawContext&)> paint) {
    paint_ = std::move(paint);
    drawn_ = false;
    window_->show();
    surface_->redraw();
    const bool done = fltktest::waitFor([this] { return drawn_; });
    paint_ = nullptr;
    return done;
}

bool GlFrame::drawFramed(std::function<void(DrawContext&)> body) {
    return draw([&body](DrawContext& context) {
        render::FrameSetup::clear();
        render::FrameSetup::project(context);
        body(context);
    });
}

Pixel GlFrame::at(int x, int y) const {
    if (x < 0 || y < 0 || x >= width_ || y >= height_ || pixels_.empty()) {
        return Pixel{-1, -1, -1};
    }
    const size_t row = static_cast<size_t>(height_ - 1 - y);
    const size_t offset = (row * width_ + x) * 3;
    return Pixel{pixels_[offset], pixels_[offset + 1], pixels_[offset + 2]};
}

Pixel GlFrame::atWorld(double worldX, double worldY) const {
    const double scale = view_.viewWidthNow() / view_.pixelWidth();
    const double sx = (worldX - view_.centerX()) / scale + view_.pixelWidth() / 2;
    const double sy = view_.pixelHeight() / 2 - (worldY - view_.centerY()) / scale;
    return at(static_cast<int>(std::floor(sx)), static_cast<int>(std::floor(sy)));
}

int GlFrame::count(int x0, int y0, int x1, int y1,
                   const std::function<bool(const Pixel&)>& match) const {
    int matches = 0;
    for (int y = y0; y < y1; ++y) {
        for (int x = x0; x < x1; ++x) {
            matches += match(at(x, y)) ? 1 : 0;
        }
    }
    return matches;
}

bool near(const Pixel& pixel, int r, int g, int b, int tolerance) {
    return std::abs(pixel.r - r) <= tolerance && std::abs(pixel.g - g) <= tolerance &&
           std::abs(pixel.b - b) <= tolerance;
}

} // namespace rendertest
