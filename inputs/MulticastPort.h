#pragma once

#include "inputs/PacketReceiver.h"
#include "inputs/PositionReport.h"

#include <cstdint>
#include <memory>
#include <string>

namespace nodes {
class NodeTable;
}

namespace inputs {

// One multicast group of the port file with its receiver. Owned by the
// NodeTable, whose records it moves when it processes its queue.
// Main thread only (the receiver's own thread stays inside the receiver).
class MulticastPort {
public:
    MulticastPort(const std::string& label, const std::string& groupAddress, int32_t port,
                  int32_t bytesPerBuffer, int32_t buffersPerPort, nodes::NodeTable& table,
                  PacketReceiver::WakeCallback packetsWaiting);
    ~MulticastPort();

    MulticastPort(const MulticastPort&) = delete;
    MulticastPort& operator=(const MulticastPort&) = delete;

    // Starts the receiver; false when its socket could not be set up (the
    // port then simply delivers nothing).
    bool start();
    void stop();
    // Swaps the queue sides and hands every waiting datagram to the packet
    // parser, applying the good ones to the table. Returns the number of
    // reports the records took. Does nothing unless running.
    int process();

    // What the port's receiver took and lost, as the program says at exit:
    // "Port fleet 239.192.0.1:5500: 1200 datagrams received, 3 dropped (queue
    // full), 0 lost in the system (receive buffer full)".
    std::string trafficLine() const;

    const std::string& label() const { return label_; }
    const std::string& groupAddress() const { return groupAddress_; }
    int32_t port() const { return port_; }
    bool running() const { return running_; }
    PacketReceiver& receiver() { return *receiver_; }

private:
    std::string label_;
    std::string groupAddress_;
    int32_t port_;
    bool running_ = false;
    nodes::NodeTable& table_;
    std::unique_ptr<PacketReceiver> receiver_;
    PositionReport scratch_;
};

} // namespace inputs
