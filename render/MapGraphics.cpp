#include "render/MapGraphics.h"

#include "render/DrawContext.h"
#include "render/MapView.h"
#include "render/TextureLoader.h"

#include <FL/gl.h>

namespace render {

MapGraphics::MapGraphics(const char* imageFileOrNull, double x0, double x1, double y0, double y1,
                         double minWidth, double maxWidth)
    : hasImage_(imageFileOrNull != nullptr),
      imageFile_(imageFileOrNull != nullptr ? imageFileOrNull : ""), x0_(x0), x1_(x1), y0_(y0),
      y1_(y1), minWidth_(minWidth), maxWidth_(maxWidth) {}

MapGraphics::~MapGraphics() = default;

void MapGraphics::build() {
    if (hasImage_) {
        textureName_ = TextureLoader::loadTextureImage(imageFile_.c_str());
    }
}

void MapGraphics::draw(const DrawContext& context) {
    const MapView* view = context.view;
    if (view == nullptr) {
        return;
    }
    const double width = view->viewWidthNow();
    if (!shownAt(width)) {
        return;
    }
    if (textureName_ == -1) {
        build();
    }
    TextureLoader::use(textureName_);

    // The projection puts the view's lower-left corner at (0, 0), so vertices are given relative
    // to it; subtracting here keeps precision that large longitudes would lose in float.
    const double originX = view->centerX() - width / 2.0;
    const double originY = view->centerY() - view->aspect() * width / 2.0;
    glColor3d(1.0, 1.0, 1.0);
    glBegin(GL_POLYGON);
    glTexCoord2d(1.0, 1.0);
    glVertex3d(x1_ - originX, y1_ - originY, 0.0);
    glTexCoord2d(0.0, 1.0);
    glVertex3d(x0_ - originX, y1_ - originY, 0.0);
    glTexCoord2d(0.0, 0.0);
    glVertex3d(x0_ - originX, y0_ - originY, 0.0);
    glTexCoord2d(1.0, 0.0);
    glVertex3d(x1_ - originX, y0_ - originY, 0.0);
    glEnd();
}

} // namespace render
