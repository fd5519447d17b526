#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <string>

namespace testsupport {

// Sends datagrams to one multicast group and port from this host only: TTL 0, out of the
// loopback interface, looped back to local members, a send buffer large enough for a burst.
// Owns its socket; one thread.
class MulticastSender {
public:
    MulticastSender(const std::string& group, int port) : fd_(socket(AF_INET, SOCK_DGRAM, 0)) {
        const unsigned char ttl = 0, loop = 1;
        const in_addr loopback{htonl(INADDR_LOOPBACK)};
        const int buffer = 4 << 20;
        setsockopt(fd_, IPPROTO_IP, IP_MULTICAST_TTL, &ttl, sizeof ttl);
        setsockopt(fd_, IPPROTO_IP, IP_MULTICAST_LOOP, &loop, sizeof loop);
        setsockopt(fd_, IPPROTO_IP, IP_MULTICAST_IF, &loopback, sizeof loopback);
        setsockopt(fd_, SOL_SOCKET, SO_SNDBUF, &buffer, sizeof buffer);
        to_.sin_port = htons(static_cast<uint16_t>(port));
        inet_pton(AF_INET, group.c_str(), &to_.sin_addr);
    }
    ~MulticastSender() { close(fd_); }
    MulticastSender(const MulticastSender&) = delete;
    MulticastSender& operator=(const MulticastSender&) = delete;

    bool send(const std::string& bytes) const {
        return sendto(fd_, bytes.data(), bytes.size(), 0, reinterpret_cast<const sockaddr*>(&to_),
                      sizeof to_) == static_cast<ssize_t>(bytes.size());
    }

private:
    int fd_;
    sockaddr_in to_{AF_INET, 0, {}, {}};
};

} // namespace testsupport
