#include "render/MapLayerList.h"

namespace render {

void MapLayerList::load(const std::vector<config::MapLayerEntry>& entries) {
    // The replaced layers go, but not their GL names: the counter never hands a name out twice.
    layers_.clear();
    layers_.reserve(entries.size());
    for (const config::MapLayerEntry& entry : entries) {
        layers_.push_back(std::make_unique<MapGraphics>(
            entry.hasImage ? entry.imageFile.c_str() : nullptr, entry.x0, entry.x1, entry.y0,
            entry.y1, entry.minWidth, entry.maxWidth));
    }
}

void MapLayerList::draw(const DrawContext& context) {
    for (const std::unique_ptr<MapGraphics>& layer : layers_) {
        layer->draw(context);
    }
}

MapGraphics* MapLayerList::layer(int index) const {
    if (index < 0 || index >= count()) {
        return nullptr;
    }
    return layers_[static_cast<size_t>(index)].get();
}

} // namespace render
