#include "render/FrameSetup.h"

#include "render/DrawContext.h"
#include "render/MapView.h"

#include <FL/gl.h>

namespace render {

void FrameSetup::clear() {
    glClearColor(kBackgroundRed, kBackgroundGreen, kBackgroundBlue, 1.0f);
    glCullFace(GL_BACK);
    glDisable(GL_CULL_FACE);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_DITHER);
    glDisable(GL_BLEND);
    glClear(GL_COLOR_BUFFER_BIT);
    glEnable(GL_DITHER);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
}

void FrameSetup::project(const DrawContext& context) {
    if (context.view != nullptr) {
        context.view->applyProjection(context.width, context.height);
    }
    glViewport(0, 0, static_cast<GLsizei>(context.width), static_cast<GLsizei>(context.height));
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glDepthMask(GL_FALSE);
}

} // namespace render
