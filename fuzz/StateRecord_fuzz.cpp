// One state record line, parsed and applied through the table as a reader applies it; what a
// line gives must write a snapshot line that reads back as itself.
#include "fuzz/support/FuzzTable.h"
#include "inputs/StateRecord.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    setenv("TZ", "UTC", 1);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string line(reinterpret_cast<const char*>(data), size);
    inputs::StateRecord record;
    const bool parsed = record.parse(line.c_str());
    if (parsed &&
        (record.id < 0 || record.id > nodes::NodeTable::kMaxId || record.milliseconds < 0 ||
         record.milliseconds > 999 || record.status < 0 || record.status > 2)) {
        std::abort();
    }
    auto table = fuzzsupport::FuzzTable::make();
    if (table->parseStateRecord(line.c_str()) != parsed) {
        std::abort();
    }
    fuzzsupport::FuzzTable::checkSnapshotLines(*table);
    return 0;
}
