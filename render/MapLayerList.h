#pragma once

#include "config/MapGraphicsFile.h"
#include "render/MapGraphics.h"

#include <memory>
#include <vector>

class DrawContext;

namespace render {

// The map layers in file order; later layers are drawn over earlier ones. Owned by the
// application object; replaced as a whole when the map graphics file is loaded again.
// Main thread only; drawing needs the surface's GL context current.
class MapLayerList {
public:
    void load(const std::vector<config::MapLayerEntry>& entries);
    // Each layer draws itself for the context's view, in list order.
    void draw(const DrawContext& context);

    int count() const { return static_cast<int>(layers_.size()); }
    MapGraphics* layer(int index) const;

private:
    std::vector<std::unique_ptr<MapGraphics>> layers_;
};

} // namespace render
