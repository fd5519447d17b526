#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

namespace testsupport {

// A UDP socket joined to one multicast group on a port the kernel picks, as a display
// receives: SO_REUSEADDR, bound to any address, member of the group on the loopback interface,
// only its own group delivered. Owns its socket; one thread.
class MulticastListener {
public:
    MulticastListener() = default;
    ~MulticastListener();
    MulticastListener(const MulticastListener&) = delete;
    MulticastListener& operator=(const MulticastListener&) = delete;

    // False with a message naming the failed step.
    bool open(const std::string& group, std::string& error);
    uint16_t port() const { return port_; }

    // Receives until `count` datagrams have arrived or the time is up.
    std::vector<std::string> receive(size_t count, std::chrono::milliseconds timeout);

    // True when no network interface but the loopback one is seen: a private namespace.
    static bool inPrivateNetwork();

private:
    int socket_ = -1;
    uint16_t port_ = 0;
};

} // namespace testsupport
