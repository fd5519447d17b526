#pragma once

#include "render/DrawCallback.h"
#include "render/DrawContext.h"
#include "render/MapView.h"

#include <FL/Fl_Gl_Window.H>
#include <FL/gl.h>

// The OpenGL window inside the main window. It draws nothing itself: every draw fills a
// DrawContext with the current view and the surface's geometry and hands it to the registered
// draw callbacks, in registration order. Mouse pushes, drags and releases go to the view (pan and
// zoom); keyboard and shortcut events are swallowed. The first draw writes the GL report file
// (render/GlReport.h) and probes for texture objects (render/TextureObjects.h). A draw in a context
// FLTK has just made (anew after a hide and show) tells the label glyph cache, whose texture was
// the old context's (render/GlyphCache.h).
//
// Ownership: the surface owns its default view, its draw context and the callback nodes; the
// attached view and the callbacks' user data stay the caller's and must outlive the surface's
// draws. As an FLTK widget it is owned by its parent window.
//
// Threads: main thread only; FLTK calls draw and handle from its event processing.
//
// Failure: addDrawCallback reports an allocation failure by false. A report file that cannot be
// written is skipped; missing texture-object entry points are told in a message box and leave
// textureObjectsAvailable() false.
class glDrawSurface : public Fl_Gl_Window {
public:
    glDrawSurface(int x, int y, int w, int h, const char* label = nullptr);
    ~glDrawSurface() override;

    glDrawSurface(const glDrawSurface&) = delete;
    glDrawSurface& operator=(const glDrawSurface&) = delete;

    // Shows `view` from now on, or the surface's default view for none. Registered callbacks
    // are kept.
    void attachView(MapView* view);
    // Appends a callback; callbacks run in the order they were added.
    bool addDrawCallback(DrawFunction function, void* userData, int spare = 0);

    MapView* view() const { return view_; }
    const DrawContext& drawContext() const { return context_; }

    // Process-wide result of the texture-object probe; false before the first draw.
    static bool textureObjectsAvailable();
    static PFNGLBINDTEXTUREEXTPROC bindTextureEXT();
    static PFNGLISTEXTUREEXTPROC isTextureEXT();
    static bool extensionListed(const char* extensions);

    int handle(int event) override;

protected:
    void draw() override;

private:
    void probeOnce();
    void fillDrawContext();
    void runCallbacks();
    void deleteCallbacks();

    bool firstDraw_ = true;
    MapView defaultView_;
    MapView* view_ = &defaultView_;
    DrawContext context_;
    // Sentinels of the callback list: the callbacks are the nodes strictly between them.
    DrawCallback head_;
    DrawCallback tail_;
};
