// The frame: the one draw callback of the map surface. Each frame runs the
// tick, clears to the background, lets the view follow the target, loads the
// projection, draws the map layers and then every node, and restarts the
// frame period.
#include "app/TN_mapWindow.h"

#include "platform/Clock.h"
#include "render/DrawContext.h"
#include "render/FrameSetup.h"
#include "render/MapView.h"

namespace app {

void TN_mapWindow::drawFrameCallback(void* self, DrawContext& context) {
    static_cast<TN_mapWindow*>(self)->drawFrame(context);
}

void TN_mapWindow::drawFrame(DrawContext& context) {
    periodicUpdate();
    render::FrameSetup::clear();
    updateFollow(context);
    render::FrameSetup::project(context);
    drawMapLayers(context);
    drawNodes(context);
    sampleClock();
    schedule_.markRun(ActivitySchedule::kFrame);
}

void TN_mapWindow::updateFollow(DrawContext& context) {
    if (context.view == nullptr) {
        return;
    }
    follower_.update(*context.view, *nodeTable_, *preferences_, context.width, context.height,
                     platform::Clock::now());
}

void TN_mapWindow::drawMapLayers(DrawContext& context) {
    mapLayers_->draw(context);
}

void TN_mapWindow::drawNodes(DrawContext& context) {
    nodeGraphics_->drawNodes(context, *preferences_, *nodeTable_, stateFromFile_, &alarm_);
}

} // namespace app
