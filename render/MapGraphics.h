#pragma once

#include <cstdint>
#include <string>

class DrawContext;

namespace render {

// One map layer: an SGI image stretched over a rectangle of world coordinates (x0 left, x1 right,
// y0 bottom, y1 top; either pair may run backwards, which mirrors the image) and drawn only while
// the view width W satisfies minWidth <= W < maxWidth. The image becomes a texture at the first
// draw within that range; the texture name or display list is never released.
//
// Owned by the MapLayerList. Main thread only; build and draw need the surface's GL context
// current. A missing or unusable image leaves textureName() at -1: the layer is then drawn as a
// white rectangle and the load is tried again at each later draw within range.
class MapGraphics {
public:
    MapGraphics(const char* imageFileOrNull, double x0, double x1, double y0, double y1,
                double minWidth, double maxWidth);
    virtual ~MapGraphics();

    MapGraphics(const MapGraphics&) = delete;
    MapGraphics& operator=(const MapGraphics&) = delete;

    // Loads the image as a texture when the layer has one.
    virtual void build();
    // Draws the layer for the context's view; nothing outside the zoom range or without a view.
    virtual void draw(const DrawContext& context);

    static bool shownAt(double width, double minWidth, double maxWidth) {
        return width >= minWidth && width < maxWidth;
    }
    bool shownAt(double width) const { return shownAt(width, minWidth_, maxWidth_); }

    bool hasImage() const { return hasImage_; }
    const std::string& imageFile() const { return imageFile_; }
    double x0() const { return x0_; }
    double x1() const { return x1_; }
    double y0() const { return y0_; }
    double y1() const { return y1_; }
    double minWidth() const { return minWidth_; }
    double maxWidth() const { return maxWidth_; }
    int32_t textureName() const { return textureName_; }

private:
    bool hasImage_;
    std::string imageFile_;
    double x0_;
    double x1_;
    double y0_;
    double y1_;
    double minWidth_;
    double maxWidth_;
    int32_t textureName_ = -1;
};

} // namespace render
