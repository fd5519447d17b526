#include "inputs/MulticastPort.h"

#include "inputs/PacketParser.h"
#include "nodes/NodeTable.h"

#include <cinttypes>
#include <cstdio>

namespace inputs {

MulticastPort::MulticastPort(const std::string& label, const std::string& groupAddress,
                             int32_t port, int32_t bytesPerBuffer, int32_t buffersPerPort,
                             nodes::NodeTable& table, PacketReceiver::WakeCallback packetsWaiting)
    : label_(label), groupAddress_(groupAddress), port_(port), table_(table),
      receiver_(std::make_unique<PacketReceiver>(groupAddress, port, bytesPerBuffer, buffersPerPort,
                                                 std::move(packetsWaiting))) {}

MulticastPort::~MulticastPort() {
    stop();
}

bool MulticastPort::start() {
    running_ = receiver_->start();
    return running_;
}

void MulticastPort::stop() {
    if (running_) {
        receiver_->stop();
    }
    running_ = false;
}

int MulticastPort::process() {
    if (!running_) {
        return 0;
    }
    receiver_->swap();
    int applied = 0;
    while (char* text = receiver_->pop()) {
        if (PacketParser::parse(text, scratch_) && scratch_.applyTo(table_)) {
            ++applied;
        }
    }
    return applied;
}

std::string MulticastPort::trafficLine() const {
    const PacketReceiver::Counts counts = receiver_->counts();
    char line[128];
    std::snprintf(line, sizeof line,
                  ": %" PRIu64 " datagrams received, %" PRIu64 " dropped (queue full), %" PRIu64
                  " lost in the system (receive buffer full)",
                  counts.received, counts.dropped, counts.kernelDropped);
    return "Port " + label_ + " " + groupAddress_ + ":" + std::to_string(port_) + line;
}

} // namespace inputs
