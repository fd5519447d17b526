// The map graphics file: its layers, each with finite corners and widths.
#include "config/MapGraphicsFile.h"
#include "fuzz/support/FuzzFile.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string path = fuzzsupport::FuzzFile::write("map.cfg", data, size);
    for (const config::MapLayerEntry& layer : config::MapGraphicsFile::read(path.c_str())) {
        for (const double value :
             {layer.x0, layer.x1, layer.y0, layer.y1, layer.minWidth, layer.maxWidth}) {
            if (!std::isfinite(value)) {
                std::abort();
            }
        }
        if (layer.hasImage == layer.imageFile.empty() || layer.imageFile.size() > 99) {
            std::abort();
        }
    }
    return 0;
}
