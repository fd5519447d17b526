#include "config/MapGraphicsFile.h"

#include "config/ConfigReader.h"

namespace config {
namespace {

constexpr int kFieldsPerLine = 7;
constexpr int kLineBufferSize = 800;
constexpr int kFieldSize = 100;

// Overwrites only the fields the current line holds, so a short line repeats the tail of the
// line before (typically a run of tiles sharing one zoom range).
void takeFields(const ConfigReader& reader, MapLayerEntry& entry) {
    const char* image = nullptr;
    if (reader.getString(0, &image)) {
        entry.hasImage = true;
        entry.imageFile = image;
    }
    double* const numbers[] = {&entry.x0, &entry.x1,       &entry.y0,
                               &entry.y1, &entry.minWidth, &entry.maxWidth};
    for (int i = 0; i < kFieldsPerLine - 1; ++i) {
        reader.getReal(i + 1, numbers[i]);
    }
}

} // namespace

std::vector<MapLayerEntry> MapGraphicsFile::read(const char* fileName) {
    std::vector<MapLayerEntry> layers;
    ConfigReader reader(fileName, kFieldsPerLine, nullptr, kLineBufferSize, kFieldSize);
    MapLayerEntry entry;
    for (int i = 0; i < reader.lineCount(); ++i) {
        reader.selectLine(i);
        takeFields(reader, entry);
        layers.push_back(entry);
    }
    return layers;
}

} // namespace config
