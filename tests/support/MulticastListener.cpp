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

MulticastListener::~MulticastListener() {
    if (socket_ >= 0) {
        close(socket_);
    }
}

bool MulticastListener::open(const std::string& group, std::string& error) {
    const auto failed = [&](const char* step) {
        error = std::string(step) + ": " + std::strerror(errno);
        return false;
    };
    socket_ = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    const int on = 1;
    const int off = 0;
    const int bufferBytes = 4 << 20;
    setsockopt(socket_, SOL_SOCKET, SO_RCVBUF, &bufferBytes, sizeof bufferBytes);
    sockaddr_in local{AF_INET, 0, {htonl(INADDR_ANY)}, {}};
    socklen_t length = sizeof local;
    ip_mreq membership{};
    inet_pton(AF_INET, group.c_str(), &membership.imr_multiaddr);
    inet_pton(AF_INET, "127.0.0.1", &membership.imr_interface);
    if (socket_ < 0) {
        return failed("socket");
    }
    if (setsockopt(socket_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on) != 0) {
        return failed("SO_REUSEADDR");
    }
    // Without this a socket bound to any address gets every group joined on the host.
    if (setsockopt(socket_, IPPROTO_IP, IP_MULTICAST_ALL, &off, sizeof off) != 0) {
        return failed("IP_MULTICAST_ALL");
    }
    if (bind(socket_, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) {
        return failed("bind");
    }
    if (getsockname(socket_, reinterpret_cast<sockaddr*>(&local), &length) != 0) {
        return failed("getsockname");
    }
    port_ = ntohs(local.sin_port);
    if (setsockopt(socket_, IPPROTO_IP, IP_ADD_MEMBERSHIP, &membership, sizeof membership) != 0) {
        return failed("IP_ADD_MEMBERSHIP");
    }
    return true;
}

std::vector<std::string> MulticastListener::receive(size_t count,
                                                    std::chrono::milliseconds timeout) {
    std::vector<std::string> datagrams;
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    std::vector<char> buffer(65536);
    while (datagrams.size() < count) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd ready{socket_, POLLIN, 0};
        if (left.count() <= 0) {
            break;
        }
        const ssize_t n = poll(&ready, 1, static_cast<int>(left.count())) > 0
                              ? recv(socket_, buffer.data(), buffer.size(), 0)
                              : -1;
        if (n >= 0) {
            datagrams.emplace_back(buffer.data(), static_cast<size_t>(n));
        }
    }
    return datagrams;
}

bool MulticastListener::inPrivateNetwork() {
    struct if_nameindex* names = if_nameindex();
    bool onlyLoopback = names != nullptr;
    for (struct if_nameindex* name = names; onlyLoopback && name->if_index != 0; ++name) {
        onlyLoopback = std::strcmp(name->if_name, "lo") == 0;
    }
    if (names != nullptr) {
        if_freenameindex(names);
    }
    return onlyLoopback;
}

} // namespace testsupport
