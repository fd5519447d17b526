#include "render/glDrawSurface.h"

#include "render/GlReport.h"
#include "render/GlyphCache.h"
#include "render/TextureObjects.h"

#include <FL/Fl.H>

#include <new>

glDrawSurface::glDrawSurface(int x, int y, int w, int h, const char* label)
    : Fl_Gl_Window(x, y, w, h, label) {
    // The list exists from the start, so a callback added before any attachView is kept too.
    head_.next = &tail_;
    tail_.previous = &head_;
}

glDrawSurface::~glDrawSurface() {
    deleteCallbacks();
}

void glDrawSurface::deleteCallbacks() {
    // Each node unlinks itself when deleted, so the head's successor is always the next one.
    while (head_.next != &tail_) {
        delete head_.next;
    }
}

void glDrawSurface::attachView(MapView* view) {
    view_ = view != nullptr ? view : &defaultView_;
}

bool glDrawSurface::addDrawCallback(DrawFunction function, void* userData, int spare) {
    DrawCallback* node = new (std::nothrow) DrawCallback(function, userData, spare);
    if (node == nullptr) {
        return false;
    }
    node->insertBefore(&tail_);
    return true;
}

bool glDrawSurface::textureObjectsAvailable() {
    return render::TextureObjects::available();
}

PFNGLBINDTEXTUREEXTPROC glDrawSurface::bindTextureEXT() {
    return render::TextureObjects::bindTexture();
}

PFNGLISTEXTUREEXTPROC glDrawSurface::isTextureEXT() {
    return render::TextureObjects::isTexture();
}

bool glDrawSurface::extensionListed(const char* extensions) {
    return render::TextureObjects::extensionListed(extensions);
}

void glDrawSurface::draw() {
    if (firstDraw_) {
        firstDraw_ = false;
        probeOnce();
    }
    if (!context_valid()) {
        render::GlyphCache::contextRecreated();
    }
    fillDrawContext();
    runCallbacks();
}

void glDrawSurface::probeOnce() {
    // Needs the GL context that FLTK made current for this draw.
    const render::GlReport::Strings strings = render::GlReport::current();
    render::GlReport::write(render::GlReport::fileName, strings);
    render::TextureObjects::probe(strings.extensions);
}

void glDrawSurface::fillDrawContext() {
    context_.x = x();
    context_.y = y();
    context_.width = w();
    context_.height = h();
    context_.view = view_;
}

void glDrawSurface::runCallbacks() {
    for (DrawCallback* node = head_.next; node != &tail_; node = node->next) {
        if (node->function != nullptr) {
            node->function(node->userData, context_);
        }
    }
}

int glDrawSurface::handle(int event) {
    switch (event) {
    case FL_PUSH:
    case FL_RELEASE:
    case FL_DRAG:
        view_->mouseEvent(event, Fl::event_x(), Fl::event_y(), Fl::event_state(FL_BUTTON1) != 0,
                          Fl::event_state(FL_BUTTON2) != 0, Fl::event_state(FL_BUTTON3) != 0);
        redraw();
        return 1;
    case FL_FOCUS:
    case FL_UNFOCUS:
    case FL_KEYBOARD:
    case FL_SHORTCUT:
        // Takes the focus and reports every key as used, so no key reaches another widget.
        return 1;
    default:
        return Fl_Gl_Window::handle(event);
    }
}
