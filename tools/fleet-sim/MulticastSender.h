#pragma once

#include "tools/fleet-sim/DatagramSink.h"

#include <cstdint>
#include <string>

namespace fleetsim {

// A UDP socket that sends to one multicast group. The time-to-live bounds how
// far datagrams go (0: never off this host); loopback is on so receivers on
// this host get them too; the interface picks the local address they leave
// from. Owns its socket; one thread.
class MulticastSender : public DatagramSink {
public:
    MulticastSender() = default;
    ~MulticastSender() override;
    MulticastSender(const MulticastSender&) = delete;
    MulticastSender& operator=(const MulticastSender&) = delete;

    // Creates the socket and sets it up; false with a message naming the step
    // that failed.
    bool open(const std::string& group, uint16_t port, int ttl, const std::string& interfaceAddress,
              std::string& error);

    bool send(std::string_view datagram) override;

    // errno of the last failed send, 0 if none failed.
    int lastError() const { return lastError_; }

private:
    void close();

    int socket_ = -1;
    int lastError_ = 0;
};

} // namespace fleetsim
