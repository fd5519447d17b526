// The master configuration file: its entries, each a known key with one file name.
#include "config/MasterConfig.h"
#include "fuzz/support/FuzzFile.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string path = fuzzsupport::FuzzFile::write("master.cfg", data, size);
    for (const config::MasterConfig::Entry& entry : config::MasterConfig::read(path.c_str())) {
        if (entry.key < 0 || entry.key >= config::MasterConfig::kKeyCount ||
            entry.fileName.empty() || entry.fileName.size() > 99) {
            std::abort();
        }
    }
    return 0;
}
