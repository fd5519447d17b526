#include "tools/fleet-sim/MulticastSender.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace fleetsim {
namespace {

std::string failure(const char* step) {
    return std::string(step) + ": " + std::strerror(errno);
}

} // namespace

MulticastSender::~MulticastSender() {
    close();
}

void MulticastSender::close() {
    if (socket_ >= 0) {
        ::close(socket_);
        socket_ = -1;
    }
}

bool MulticastSender::open(const std::string& group, uint16_t port, int ttl,
                           const std::string& interfaceAddress, std::string& error) {
    close();
    sockaddr_in destination{};
    destination.sin_family = AF_INET;
    destination.sin_port = htons(port);
    in_addr local{};
    if (inet_pton(AF_INET, group.c_str(), &destination.sin_addr) != 1) {
        error = "bad group address '" + group + "'";
        return false;
    }
    if (inet_pton(AF_INET, interfaceAddress.c_str(), &local) != 1) {
        error = "bad interface address '" + interfaceAddress + "'";
        return false;
    }
    socket_ = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (socket_ < 0) {
        error = failure("cannot create a UDP socket");
        return false;
    }
    const unsigned char timeToLive = static_cast<unsigned char>(ttl);
    const unsigned char loop = 1;
    // The time-to-live is set first: nothing may go out before it holds.
    if (setsockopt(socket_, IPPROTO_IP, IP_MULTICAST_TTL, &timeToLive, sizeof timeToLive) != 0) {
        error = failure("cannot set the multicast time-to-live");
        close();
        return false;
    }
    if (setsockopt(socket_, IPPROTO_IP, IP_MULTICAST_LOOP, &loop, sizeof loop) != 0) {
        error = failure("cannot turn multicast loopback on");
        close();
        return false;
    }
    if (setsockopt(socket_, IPPROTO_IP, IP_MULTICAST_IF, &local, sizeof local) != 0) {
        error = failure(("cannot send from interface " + interfaceAddress).c_str());
        close();
        return false;
    }
    // Connected, each send skips the route lookup: it matters at 100 000 datagrams per second.
    if (::connect(socket_, reinterpret_cast<const sockaddr*>(&destination), sizeof destination) !=
        0) {
        error = failure(("cannot reach " + group + ":" + std::to_string(port)).c_str());
        close();
        return false;
    }
    return true;
}

bool MulticastSender::send(std::string_view datagram) {
    if (socket_ < 0) {
        lastError_ = EBADF;
        return false;
    }
    for (;;) {
        const ssize_t sent = ::send(socket_, datagram.data(), datagram.size(), 0);
        if (sent >= 0) {
            return true;
        }
        if (errno != EINTR) {
            lastError_ = errno;
            return false;
        }
    }
}

} // namespace fleetsim
