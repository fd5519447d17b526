// The node table's state files: the snapshot writer, the local reader and
// the application of record lines, wherever they came from.
#include "nodes/NodeTable.h"

#include "config/LinePieceReader.h"
#include "inputs/StateBlock.h"
#include "inputs/StateFetch.h"
#include "inputs/StateRecord.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <string>

namespace nodes {
namespace {

// A fresh file beside the snapshot, created with the usual permissions (the
// umask applies) so that a web server can serve the snapshot once renamed.
std::FILE* createTemporaryBeside(const std::string& path, std::string& temporary) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        temporary = path + ".tmp" + std::to_string(getpid()) + "-" + std::to_string(attempt);
        const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            std::FILE* file = fdopen(fd, "w");
            if (file == nullptr) {
                ::close(fd);
                std::remove(temporary.c_str());
            }
            return file;
        }
        if (errno != EEXIST) {
            return nullptr;
        }
    }
    return nullptr;
}

} // namespace

// Writes the snapshot to a temporary file beside it and renames it over the
// old one: a reader sees the old snapshot or the new one, never half a file,
// and a write that fails (a full disk) leaves the old snapshot in place.
bool NodeTable::writeStateFile(const char* path, bool relay) {
    if (path == nullptr || path[0] == '\0') {
        return false;
    }
    std::string temporary;
    std::FILE* file = createTemporaryBeside(path, temporary);
    if (file == nullptr) {
        return false;
    }
    bool ok = std::fputs("<rvx>\n", file) >= 0;
    for (const std::unique_ptr<NodeRecord>& record : byIndex_) {
        record->lock();
        // A relay passes on what it was told; a live display works the
        // status and age out now.
        const int32_t status = relay ? record->idleStatus : record->computeIdleStatus();
        const double age = relay ? record->reportedAge : record->secondsSinceReport();
        const std::string line =
            inputs::StateRecord::format(record->id, record->latitude, record->longitude,
                                        record->reportTime.time, record->reportTime.millitm, status,
                                        age, record->comment1, record->comment2, record->name);
        record->unlock();
        // A record that cannot be written readably is left out rather than
        // written as a line every reader drops or misreads.
        ok = ok && (line.empty() || std::fputs(line.c_str(), file) >= 0);
    }
    ok = ok && std::fputs("</rvx>\n", file) >= 0;
    ok = (std::fclose(file) == 0) && ok;
    if (!ok || std::rename(temporary.c_str(), path) != 0) {
        std::remove(temporary.c_str());
        return false;
    }
    return true;
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
