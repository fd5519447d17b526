#include "fuzz/support/FuzzTable.h"

#include "fuzz/support/FuzzFile.h"
#include "inputs/StateRecord.h"

#include <cstdio>
#include <cstdlib>
#include <string>

namespace fuzzsupport {
namespace {

const std::string& nodeFile() {
    static const std::string path = [] {
        std::string text = "# fuzz fleet\n";
        for (int id = 0; id <= 20; ++id) {
            text += std::to_string(id) + " Vehicle " + std::to_string(id) + "\n";
        }
        text += "1000 Last Vehicle\n";
        return FuzzFile::write("nodes.txt", text);
    }();
    return path;
}

[[noreturn]] void fault(const char* what, const std::string& first, const std::string& second) {
    std::fprintf(stderr, "fuzz: %s\n  %s  %s", what, first.c_str(), second.c_str());
    std::abort();
}

} // namespace

std::unique_ptr<nodes::NodeTable> FuzzTable::make() {
    auto table = std::make_unique<nodes::NodeTable>(250, 20);
    table->setIdleLimits(5.0, 10.0);
    if (!table->loadNodeFile(nodeFile().c_str())) {
        std::fprintf(stderr, "fuzz: the node file did not load\n");
        std::abort();
    }
    return table;
}

void FuzzTable::checkSnapshotLines(nodes::NodeTable& table) {
    const uint32_t count = table.fileNodeCount() + table.lateNodeCount();
    for (uint32_t position = 0; position < count; ++position) {
        nodes::NodeRecord* record = table.recordAt(position);
        if (record == nullptr) {
            fault("a position without its record", std::to_string(position), "\n");
        }
        for (const bool relay : {false, true}) {
            const std::string line = nodes::NodeTable::snapshotLine(*record, relay);
            if (line.empty()) {
                continue;
            }
            inputs::StateRecord back;
            if (line.size() > inputs::StateRecord::kMaxLineChars || !back.parse(line.c_str())) {
                fault("a snapshot line that does not read back", line, "\n");
            }
            const std::string again = inputs::StateRecord::format(
                back.id, back.latitude, back.longitude, back.seconds, back.milliseconds,
                back.status, back.age, back.comment1.c_str(), back.comment2.c_str(),
                back.name.c_str());
            if (again != line) {
                fault("a snapshot line that reads back as another", line, again);
            }
        }
    }
}

} // namespace fuzzsupport
