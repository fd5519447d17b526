#include "config/MasterConfig.h"

#include "config/ConfigReader.h"

#include <cstring>

namespace config {
namespace {

const char* const kKeyTexts[MasterConfig::kKeyCount] = {
    "NodeFile", "PortFile", "NodeDefFile", "WWWFile", "MapFile", "PreferenceFile",
};

} // namespace

const char* MasterConfig::keyText(Key key) {
    return kKeyTexts[key];
}

std::vector<MasterConfig::Entry> MasterConfig::read(const char* path) {
    std::vector<Entry> entries;
    ConfigReader reader(path, 2, nullptr, 800, 100);
    for (int i = 0; i < reader.lineCount(); ++i) {
        if (reader.selectLine(i) != 2) {
            continue;
        }
        const char* key = nullptr;
        const char* name = nullptr;
        reader.getString(0, &key);
        reader.getString(1, &name);
        for (int k = 0; k < kKeyCount; ++k) {
            if (std::strcmp(key, kKeyTexts[k]) == 0) {
                entries.push_back({static_cast<Key>(k), name});
                break;
            }
        }
    }
    return entries;
}

} // namespace config
