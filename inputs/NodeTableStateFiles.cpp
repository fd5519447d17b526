// The node table's state files: the snapshot writer, the local reader and
// the application of record lines, wherever they came from.
#include "nodes/NodeTable.h"

#include "config/LinePieceReader.h"
#include "inputs/AtomicFile.h"
#include "inputs/StateBlock.h"
#include "inputs/StateFetch.h"
#include "inputs/StateRecord.h"

#include <cstdio>
#include <string>

namespace nodes {

// The snapshot is replaced whole: a reader sees the old snapshot or the new
// one, never half a file, and a write that fails leaves the old one in place.
bool NodeTable::writeStateFile(const char* path, bool relay) {
    if (path == nullptr || path[0] == '\0') {
        return false;
    }
    inputs::AtomicFile file(path);
    if (!file.open()) {
        return false;
    }
    bool ok = std::fputs("<rvx>\n", file.stream()) >= 0;
    for (const std::unique_ptr<NodeRecord>& record : byIndex_) {
        const std::string line = snapshotLine(*record, relay);
        // A record that cannot be written readably is left out rather than
        // written as a line every reader drops or misreads.
        ok = ok && (line.empty() || std::fputs(line.c_str(), file.stream()) >= 0);
    }
    ok = ok && std::fputs("</rvx>\n", file.stream()) >= 0;
    return file.commit(ok);
}

std::string NodeTable::snapshotLine(NodeRecord& record, bool relay) {
    record.lock();
    const NodeRecord::SnapshotIdle idle = record.snapshotIdle(relay);
    std::string line =
        inputs::StateRecord::format(record.id, record.latitude, record.longitude,
                                    record.reportTime.time, record.reportTime.millitm, idle.status,
                                    idle.age, record.comment1, record.comment2, record.name);
    record.unlock();
    return line;
}

bool NodeTable::readStateFile(const char* path) {
    if (path == nullptr) {
        return false;
    }
    std::FILE* file = std::fopen(path, "r");
    if (file == nullptr) {
        return false;
    }
    inputs::StateBlock block;
    std::string line;
    while (config::LinePieceReader::read(file, line, inputs::StateRecord::kMaxLineChars)) {
        const inputs::StateBlock::Step step = block.take(line);
        if (step == inputs::StateBlock::kEnded) {
            break;
        }
        if (step == inputs::StateBlock::kRecord) {
            parseStateRecord(line.c_str());
        }
    }
    std::fclose(file);
    return true;
}

bool NodeTable::parseStateRecord(const char* line) {
    inputs::StateRecord record;
    if (!record.parse(line)) {
        return false;
    }
    NodeRecord* target = findById(record.id);
    if (target == nullptr) {
        target = addLateNode(record.id);
    }
    if (target == nullptr) {
        return false;
    }
    target->setState(record.latitude, record.longitude, record.seconds, record.milliseconds,
                     record.status, record.age, record.comment1.c_str(), record.comment2.c_str(),
                     record.name.c_str());
    return true;
}

bool NodeTable::fetchStateFile(const char* host, int port, const char* path) {
    if (host == nullptr || path == nullptr) {
        return false;
    }
    inputs::StateFetch fetch;
    std::vector<std::string> lines;
    if (!fetch.fetch(host, port, path, lines)) {
        return false;
    }
    applyStateLines(lines);
    return true;
}

int NodeTable::applyStateLines(const std::vector<std::string>& lines) {
    int applied = 0;
    for (const std::string& line : lines) {
        if (parseStateRecord(line.c_str())) {
            ++applied;
        }
    }
    return applied;
}

} // namespace nodes
