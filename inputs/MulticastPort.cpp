#include "inputs/MulticastPort.h"

#include "inputs/PacketParser.h"
#include "nodes/NodeTable.h"

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

} // namespace inputs
