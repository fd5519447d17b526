#pragma once

class MapView;

// What every draw callback is handed: the view the surface shows and the surface's geometry at
// this draw. The surface (render/glDrawSurface.h) owns it and refills it at every draw; callbacks
// read it during the call only. The view is not owned by the context.
//
// Threads: main thread only, like the surface. Nothing here can fail.
class DrawContext {
public:
    virtual ~DrawContext();

    MapView* view = nullptr;
    // Position of the surface in its parent window and its size, in pixels.
    double x = 0;
    double y = 0;
    double width = 0;
    double height = 0;
};
