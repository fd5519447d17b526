#include "tests/render/GlFrame.h"

#include "render/FrameSetup.h"
#include "tests/render/FltkWait.h"

#include <FL/Fl.H>
#include <FL/Fl_Double_Window.H>
#include <FL/gl.h>

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
    frame->pixels_.readBack(frame->width_, frame->height_);
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

void GlFrame::dropContext() {
    window_->hide();
    Fl::wait(0);
}

bool GlFrame::drawFramed(std::function<void(DrawContext&)> body) {
    return draw([&body](DrawContext& context) {
        render::FrameSetup::clear();
        render::FrameSetup::project(context);
        body(context);
    });
}

} // namespace rendertest
