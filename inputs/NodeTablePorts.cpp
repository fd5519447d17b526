// The node table's port side: the multicast port file, the receivers' start
// and stop, and the draining of their queues.
#include "inputs/MulticastPort.h"
#include "inputs/PacketReceiver.h"
#include "nodes/NodeTable.h"

#include "config/DecimalText.h"
#include "config/LinePieceReader.h"
#include "config/WordSplitter.h"

#include <cstdio>
#include <string>
#include <vector>

namespace nodes {
namespace {

constexpr size_t kPortLineChars = 255;

} // namespace

void NodeTable::setPacketsWaitingCallback(std::function<void()> callback) {
    packetsWaiting_ = std::move(callback);
}

// One port per line: label, multicast group (dotted IPv4), UDP port. Further
// words are ignored; "#" starts a comment line; shorter lines are skipped.
bool NodeTable::loadPortFile(const char* path) {
    unloadPorts();
    if (path == nullptr) {
        return false;
    }
    portFilePath_ = path;
    std::FILE* file = std::fopen(path, "r");
    if (file == nullptr) {
        return false;
    }
    std::string piece;
    std::vector<std::string> tokens;
    while (config::LinePieceReader::read(file, piece, kPortLineChars)) {
        // Label, group and port; further words are ignored.
        config::WordSplitter::split(piece, 3, std::string::npos, tokens);
        if (tokens.size() < 3 || tokens[0][0] == '#') {
            continue;
        }
        const int32_t port = config::DecimalText::toInteger(tokens[2].c_str());
        ports_.push_back(std::make_unique<inputs::MulticastPort>(
            tokens[0], tokens[1], port, bytesPerBuffer_, buffersPerPort_, *this, packetsWaiting_));
    }
    std::fclose(file);
    portsLoaded_ = !ports_.empty();
    return portsLoaded_;
}

bool NodeTable::unloadPorts() {
    stopPorts();
    ports_.clear();
    portsLoaded_ = false;
    return true;
}

void NodeTable::startPorts() {
    if (portsRunning_) {
        return;
    }
    for (const auto& port : ports_) {
        port->start();
    }
    portsRunning_ = true;
}

void NodeTable::stopPorts() {
    if (!portsRunning_) {
        return;
    }
    for (const auto& port : ports_) {
        port->stop();
    }
    portsRunning_ = false;
}

int NodeTable::processPorts() {
    int applied = 0;
    for (const auto& port : ports_) {
        applied += port->process();
    }
    return applied;
}

inputs::MulticastPort* NodeTable::portAt(size_t position) const {
    return position < ports_.size() ? ports_[position].get() : nullptr;
}

// The receivers end in order (their threads are joined), so the ports can be
// rebuilt and their sockets bound again at once.
void NodeTable::rebuildPorts() {
    if (!portsLoaded_) {
        return;
    }
    ++portRebuildCount_;
    const bool wasRunning = portsRunning_;
    const std::string path = portFilePath_;
    // The new ports go on counting where the old ones of the same line left off.
    struct Earlier {
        std::string label;
        std::string group;
        int32_t port;
        inputs::PacketReceiver::Counts counts;
    };
    std::vector<Earlier> earlier;
    for (const auto& port : ports_) {
        earlier.push_back(
            {port->label(), port->groupAddress(), port->port(), port->receiver().counts()});
    }
    loadPortFile(path.c_str());
    for (size_t i = 0; i < ports_.size() && i < earlier.size(); ++i) {
        inputs::MulticastPort& port = *ports_[i];
        if (port.label() == earlier[i].label && port.groupAddress() == earlier[i].group &&
            port.port() == earlier[i].port) {
            port.receiver().carryCounts(earlier[i].counts);
        }
    }
    if (wasRunning) {
        startPorts();
    }
}

int32_t NodeTable::setBytesPerBuffer(int32_t bytes) {
    setBufferSizes(bytes, buffersPerPort_);
    return bytesPerBuffer_;
}

int32_t NodeTable::setBuffersPerPort(int32_t buffers) {
    setBufferSizes(bytesPerBuffer_, buffers);
    return buffersPerPort_;
}

bool NodeTable::setBufferSizes(int32_t bytes, int32_t buffers) {
    const int32_t newBytes = (bytes >= 1 && bytes <= kMaxBytesPerBuffer) ? bytes : bytesPerBuffer_;
    const int32_t newBuffers = buffers >= 1 ? buffers : buffersPerPort_;
    if (newBytes == bytesPerBuffer_ && newBuffers == buffersPerPort_) {
        return true;
    }
    const int64_t needed = inputs::PacketReceiver::queueBytes(newBytes, newBuffers);
    if (needed > kMaxPortQueueBytes) {
        std::fprintf(stderr,
                     "Warning: %d buffers of %d bytes per multicast port would take %lld bytes, "
                     "more than %lld; keeping %d buffers of %d bytes.\n",
                     newBuffers, newBytes, static_cast<long long>(needed),
                     static_cast<long long>(kMaxPortQueueBytes), buffersPerPort_, bytesPerBuffer_);
        return false;
    }
    bytesPerBuffer_ = newBytes;
    buffersPerPort_ = newBuffers;
    rebuildPorts();
    return true;
}

} // namespace nodes
