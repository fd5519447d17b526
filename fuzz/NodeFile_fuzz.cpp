// The node file loaded into a table: every record found again by its identifier, names within
// their buffer, and every record writing a snapshot line that reads back as itself.
#include "fuzz/support/FuzzFile.h"
#include "fuzz/support/FuzzTable.h"
#include "nodes/NodeTable.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    setenv("TZ", "UTC", 1);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string path = fuzzsupport::FuzzFile::write("fuzz-nodes.txt", data, size);
    nodes::NodeTable table(250, 20);
    const bool loaded = table.loadNodeFile(path.c_str());
    if (loaded != (table.fileNodeCount() > 0) || table.fileNodeCount() > 1001 ||
        table.maxId() > static_cast<uint32_t>(nodes::NodeTable::kMaxId)) {
        std::abort();
    }
    for (uint32_t position = 0; position < table.fileNodeCount(); ++position) {
        nodes::NodeRecord* record = table.recordAt(position);
        if (record == nullptr || table.findById(record->id) != record ||
            std::memchr(record->name, '\0', sizeof record->name) == nullptr) {
            std::abort();
        }
    }
    fuzzsupport::FuzzTable::checkSnapshotLines(table);
    return 0;
}
