// The node graphics file: its entries, kinds and numbers as their names give them.
#include "config/NodeGraphicsFile.h"
#include "fuzz/support/FuzzFile.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string path = fuzzsupport::FuzzFile::write("icons.cfg", data, size);
    for (const config::NodeGraphicsEntry& entry : config::NodeGraphicsFile::read(path.c_str())) {
        int32_t number = -1;
        if (config::NodeGraphicsFile::kindOf(entry.name, &number) != entry.kind ||
            number != entry.number || entry.name.empty() || entry.name.size() > 99) {
            std::abort();
        }
        for (const double value : entry.values) {
            if (!std::isfinite(value)) {
                std::abort();
            }
        }
    }
    return 0;
}
