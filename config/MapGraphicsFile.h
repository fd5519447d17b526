#pragma once

#include <string>
#include <vector>

namespace config {

// One map layer as its line gives it: an SGI image stretched over a rectangle of world
// coordinates (x longitude, y latitude, decimal degrees) and shown while the view width W
// satisfies minWidth <= W < maxWidth.
struct MapLayerEntry {
    bool hasImage = false;
    std::string imageFile;
    double x0 = 0.0; // left edge
    double x1 = 0.0; // right edge
    double y0 = 0.0; // bottom edge
    double y1 = 0.0; // top edge
    double minWidth = 0.0;
    double maxWidth = 0.0; // with minWidth 0, a line that gives no range is never drawn
};

// Reads the map graphics file: one layer per line, seven fields (image, x0, x1, y0, y1, minimum
// width, maximum width). A field a line lacks keeps its value from the line before.
// Pure: no GL, any thread. A file that cannot be read or holds no lines gives no layers.
class MapGraphicsFile {
public:
    static std::vector<MapLayerEntry> read(const char* fileName);
};

} // namespace config
