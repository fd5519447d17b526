#include "tests/support/MulticastListener.h"

#include <arpa/inet.h>
#include <net/if.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace testsupport {
namespace {

using Clock = std::chrono::steady_clock;

std::string failure(const char* step) {
    return std::string(step) + ": " + std::strerror(errno);
}

} // namespace

MulticastListener::~MulticastListener() {
    if (socket_ >= 0) {
        close(socket_);
    }
}

bool MulticastListener::open(const std::string& group, std::string& error) {
    socket_ = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (socket_ < 0) {
        error = failure("socket");
        return false;
    }
    const int on = 1;
    const int off = 0;
    const int bufferBytes = 4 << 20;
    setsockopt(socket_, SOL_SOCKET, SO_RCVBUF, &bufferBytes, sizeof bufferBytes);
    if (setsockopt(socket_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on) != 0) {
        error = failure("SO_REUSEADDR");
        return false;
    }
    // Without this a socket bound to any address gets every group joined on the host.
    if (setsockopt(socket_, IPPROTO_IP, IP_MULTICAST_ALL, &off, sizeof off) != 0) {
        error = failure("IP_MULTICAST_ALL");
        return false;
    }
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_addr.s_addr = htonl(INADDR_ANY);
    local.sin_port = 0;
    if (bind(socket_, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) {
        error = failure("bind");
        return false;
    }
    socklen_t length = sizeof local;
    if (getsockname(socket_, reinterpret_cast<sockaddr*>(&local), &length) != 0) {
        error = failure("getsockname");
        return false;
    }
    port_ = ntohs(local.sin_port);
    ip_mreq membership{};
    inet_pton(AF_INET, group.c_str(), &membership.imr_multiaddr);
    inet_pton(AF_INET, "127.0.0.1", &membership.imr_interface);
    if (setsockopt(socket_, IPPROTO_IP, IP_ADD_MEMBERSHIP, &membership, sizeof membership) != 0) {
        error = failure("IP_ADD_MEMBERSHIP");
        return false;
    }
    return true;
}

std::vector<std::string> MulticastListener::receive(size_t count,
                                                    std::chrono::milliseconds timeout) {
    std::vector<std::string> datagrams;
    const Clock::time_point deadline = Clock::now() + timeout;
    std::vector<char> buffer(65536);
    while (datagrams.size() < count) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) {
            break;
        }
        pollfd ready{socket_, POLLIN, 0};
        if (poll(&ready, 1, static_cast<int>(left.count())) <= 0) {
            continue;
        }
        const ssize_t n = recv(socket_, buffer.data(), buffer.size(), 0);
        if (n >= 0) {
            datagrams.emplace_back(buffer.data(), static_cast<size_t>(n));
        }
    }
    return datagrams;
}

bool MulticastListener::inPrivateNetwork() {
    struct if_nameindex* names = if_nameindex();
    if (names == nullptr) {
        return false;
    }
    bool onlyLoopback = true;
    for (struct if_nameindex* name = names; name->if_index != 0; ++name) {
        if (std::strcmp(name->if_name, "lo") != 0) {
            onlyLoopback = false;
        }
    }
    if_freenameindex(names);
    return onlyLoopback;
}

} // namespace testsupport
