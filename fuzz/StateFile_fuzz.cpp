// A state file read from disk into a table, as the local state input reads it.
#include "fuzz/support/FuzzFile.h"
#include "fuzz/support/FuzzTable.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    setenv("TZ", "UTC", 1);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string path = fuzzsupport::FuzzFile::write("state.txt", data, size);
    auto table = fuzzsupport::FuzzTable::make();
    if (!table->readStateFile(path.c_str())) {
        std::abort();
    }
    fuzzsupport::FuzzTable::checkSnapshotLines(*table);
    return 0;
}
