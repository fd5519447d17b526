// The input/output definitions file applied to its record.
#include "config/IoDefinitions.h"
#include "fuzz/support/FuzzFile.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string path = fuzzsupport::FuzzFile::write("io.txt", data, size);
    config::IoDefinitions definitions;
    if (!definitions.load(path.c_str())) {
        std::abort();
    }
    if (definitions.outputCount < 0 ||
        definitions.outputCount > config::IoDefinitions::kMaxOutputs ||
        definitions.inputMode < config::kIoNone || definitions.inputMode > config::kIoServer) {
        std::abort();
    }
    for (int i = 0; i < definitions.outputCount; ++i) {
        const config::IoMode mode = definitions.outputModes[static_cast<size_t>(i)];
        if (mode == config::kIoNone || mode == config::kIoMulticast ||
            mode == config::kIoRemoteState || mode > config::kIoGeoJson) {
            std::abort();
        }
    }
    return 0;
}
