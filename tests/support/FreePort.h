#pragma once

#include <arpa/inet.h>
#include <sys/socket.h>
#include <unistd.h>

namespace testsupport {

// A port of 127.0.0.1 no socket of `type` (SOCK_STREAM, SOCK_DGRAM) holds just now: bound to
// port 0, read back, closed again. Nothing listens there, so a connection to it is refused.
inline int freePort(int type = SOCK_STREAM) {
    const int fd = socket(AF_INET, type | SOCK_CLOEXEC, 0);
    sockaddr_in address{AF_INET, 0, {htonl(INADDR_LOOPBACK)}, {}};
    socklen_t length = sizeof address;
    const bool bound = bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
                       getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0;
    close(fd);
    return bound ? ntohs(address.sin_port) : 0;
}

} // namespace testsupport
