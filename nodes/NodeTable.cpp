#include "nodes/NodeTable.h"

#include "config/DecimalText.h"
#include "config/LinePieceReader.h"
#include "inputs/MulticastPort.h"

#include <cctype>
#include <climits>
#include <cmath>
#include <cstdio>

namespace nodes {
namespace {

// Node file lines are read 255 characters at a time; the rest of a longer
// line comes as a line of its own.
constexpr size_t kNodeLineChars = 255;

bool isBlank(char c) {
    return std::isspace(static_cast<unsigned char>(c)) != 0;
}

int32_t limitToMs(double seconds, int32_t current) {
    if (std::isnan(seconds)) {
        return current;
    }
    const double ms = std::fabs(seconds * 1000.0);
    if (ms >= static_cast<double>(INT32_MAX)) {
        return INT32_MAX;
    }
    return static_cast<int32_t>(ms);
}

double squaredDistance(const NodeRecord& a, const NodeRecord& b) {
    const double dLat = a.latitude - b.latitude;
    const double dLon = a.longitude - b.longitude;
    return dLat * dLat + dLon * dLon;
}

} // namespace

NodeTable::NodeTable(int32_t bytesPerBuffer, int32_t buffersPerPort)
    : bytesPerBuffer_(bytesPerBuffer), buffersPerPort_(buffersPerPort) {}

NodeTable::~NodeTable() {
    unloadNodes();
}

std::unique_ptr<NodeRecord> NodeTable::makeRecord(const char* name, int32_t id) const {
    auto record = std::make_unique<NodeRecord>(name, id);
    record->mediumIdleMs = mediumIdleMs_;
    record->badIdleMs = badIdleMs_;
    record->trailSpanMs = trailSpanMs_;
    return record;
}

// One node line: the identifier as the first word, then the name up to the
// line end with its leading blanks removed (but never its last character).
bool NodeTable::parseNodeLine(const std::string& line, NodeLine& out) {
    size_t i = 0;
    while (i < line.size() && isBlank(line[i])) {
        ++i;
    }
    if (i >= line.size() || line[i] == '\0') {
        return false; // blank line
    }
    const size_t tokenStart = i;
    while (i < line.size() && !isBlank(line[i]) && line[i] != '\0') {
        ++i;
    }
    if (line[tokenStart] == '#') {
        return false;
    }
    const std::string token = line.substr(tokenStart, i - tokenStart);
    const int id = config::DecimalText::toInteger(token.c_str());
    if (id < 0 || id > kMaxId) {
        return false;
    }
    size_t nameEnd = line.find_first_of(std::string("\r\n\0", 3), i);
    if (nameEnd == std::string::npos) {
        nameEnd = line.size();
    }
    std::string name = line.substr(i, nameEnd - i);
    size_t leading = 0;
    while (leading + 1 < name.size() && (name[leading] == ' ' || name[leading] == '\t')) {
        ++leading;
    }
    out.id = id;
    out.name = name.substr(leading);
    return true;
}

bool NodeTable::loadNodeFile(const char* path) {
    unloadNodes();
    if (path == nullptr) {
        return false;
    }
    nodeFilePath_ = path;
    std::FILE* file = std::fopen(path, "r");
    if (file == nullptr) {
        return false;
    }
    std::vector<NodeLine> lines;
    std::string piece;
    NodeLine parsed;
    while (config::LinePieceReader::read(file, piece, kNodeLineChars)) {
        if (parseNodeLine(piece, parsed)) {
            lines.push_back(parsed);
        }
    }
    std::fclose(file);
    if (lines.empty()) {
        return false;
    }

    uint32_t largest = 0;
    for (const NodeLine& line : lines) {
        largest = std::max(largest, static_cast<uint32_t>(line.id));
    }
    maxId_ = largest;
    byId_.assign(static_cast<size_t>(maxId_) + 1, nullptr);
    byIndex_.reserve(lines.size());
    // A repeated identifier keeps the first line's record.
    for (const NodeLine& line : lines) {
        if (byId_[static_cast<size_t>(line.id)] != nullptr) {
            continue;
        }
        std::unique_ptr<NodeRecord> record = makeRecord(line.name.c_str(), line.id);
        record->index = static_cast<uint32_t>(byIndex_.size());
        byId_[static_cast<size_t>(line.id)] = record.get();
        byIndex_.push_back(std::move(record));
    }
    fileNodeCount_ = static_cast<uint32_t>(byIndex_.size());
    nodesLoaded_ = true;
    return true;
}

bool NodeTable::unloadNodes() {
    closeNodes_.fill(nullptr);
    byId_.clear();
    byIndex_.clear();
    fileNodeCount_ = 0;
    lateNodeCount_ = 0;
    maxId_ = 0;
    nodesLoaded_ = false;
    return true;
}

NodeRecord* NodeTable::addLateNode(int32_t id) {
    if (id < 0 || id > kMaxId) {
        return nullptr;
    }
    if (NodeRecord* existing = findById(id)) {
        return existing;
    }
    const size_t slot = static_cast<size_t>(id);
    if (slot >= byId_.size()) {
        byId_.resize(slot + 1, nullptr);
    }
    maxId_ = std::max(maxId_, static_cast<uint32_t>(id));
    std::unique_ptr<NodeRecord> record = makeRecord("Added Late", id);
    record->index = static_cast<uint32_t>(byIndex_.size());
    byId_[slot] = record.get();
    byIndex_.push_back(std::move(record));
    ++lateNodeCount_;
    return byId_[slot];
}

NodeRecord* NodeTable::recordAt(int64_t position) const {
    if (position < 0 || position >= static_cast<int64_t>(byIndex_.size())) {
        return nullptr;
    }
    return byIndex_[static_cast<size_t>(position)].get();
}

NodeRecord* NodeTable::findById(int64_t id) const {
    if (id < 0 || id >= static_cast<int64_t>(byId_.size())) {
        return nullptr;
    }
    return byId_[static_cast<size_t>(id)];
}

void NodeTable::setIdleLimits(double mediumSeconds, double badSeconds) {
    mediumIdleMs_ = limitToMs(mediumSeconds, mediumIdleMs_);
    badIdleMs_ = limitToMs(badSeconds, badIdleMs_);
    for (const std::unique_ptr<NodeRecord>& record : byIndex_) {
        record->mediumIdleMs = mediumIdleMs_;
        record->badIdleMs = badIdleMs_;
    }
}

void NodeTable::setTrailSpan(double seconds) {
    const int64_t spanMs =
        seconds > 0.0 ? std::llround(std::min(seconds, kMaxTrailSeconds) * 1000.0) : 0; // NaN too
    if (spanMs == trailSpanMs_) {
        return;
    }
    trailSpanMs_ = spanMs;
    for (const std::unique_ptr<NodeRecord>& record : byIndex_) {
        record->lock();
        record->trailSpanMs = trailSpanMs_;
        record->unlock();
    }
}

void NodeTable::updateCloseNodes(int32_t referenceId, int32_t excludedId) {
    closeNodes_.fill(nullptr);
    const NodeRecord* reference = findById(referenceId);
    if (reference == nullptr) {
        return;
    }
    const NodeRecord* excluded = excludedId >= 0 ? findById(excludedId) : nullptr;
    std::array<double, kCloseNodeCount> distances{};
    for (uint32_t i = 0; i < fileNodeCount_; ++i) {
        NodeRecord* candidate = byIndex_[i].get();
        if (candidate == reference || candidate == excluded) {
            continue;
        }
        const double distance = squaredDistance(*reference, *candidate);
        // Insertion into a sorted list of ten; an equal distance goes after
        // the entries already there, so ties keep table order.
        for (int slot = 0; slot < kCloseNodeCount; ++slot) {
            if (closeNodes_[slot] != nullptr && !(distances[slot] > distance)) {
                continue;
            }
            for (int k = kCloseNodeCount - 1; k > slot; --k) {
                closeNodes_[k] = closeNodes_[k - 1];
                distances[k] = distances[k - 1];
            }
            closeNodes_[slot] = candidate;
            distances[slot] = distance;
            break;
        }
    }
}

NodeRecord* NodeTable::closeNode(int position) const {
    if (position < 0 || position >= kCloseNodeCount) {
        return nullptr;
    }
    return closeNodes_[static_cast<size_t>(position)];
}

} // namespace nodes
