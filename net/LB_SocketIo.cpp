#include "net/LB_SocketIo.h"

#include "net/LB_Diagnostic.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>

int LB_SocketIo::openSocket(int type) {
    return ::socket(AF_INET, type | SOCK_CLOEXEC, 0);
}

void LB_SocketIo::closeSocket(int socket) {
    if (socket != kNoSocket) {
        ::close(socket);
    }
}

void LB_SocketIo::wake(int socket) {
    if (socket != kNoSocket) {
        ::shutdown(socket, SHUT_RDWR);
    }
}

bool LB_SocketIo::setNonBlocking(int socket, bool nonBlocking) {
    const int flags = ::fcntl(socket, F_GETFL);
    if (flags < 0) {
        return false;
    }
    const int wanted = nonBlocking ? (flags | O_NONBLOCK) : (flags & ~O_NONBLOCK);
    return ::fcntl(socket, F_SETFL, wanted) == 0;
}

void LB_SocketIo::allowAddressReuse(int socket) {
    const int on = 1;
    ::setsockopt(socket, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
}

bool LB_SocketIo::lookUp(const char* host, in_addr* address) {
    addrinfo hints{};
    hints.ai_family = AF_INET;
    addrinfo* found = nullptr;
    if (::getaddrinfo(host, nullptr, &hints, &found) != 0 || found == nullptr) {
        return false;
    }
    *address = reinterpret_cast<const sockaddr_in*>(found->ai_addr)->sin_addr;
    ::freeaddrinfo(found);
    return true;
}

bool LB_SocketIo::parseDotted(const char* text, in_addr* address) {
    return ::inet_aton(text, address) != 0;
}

std::string LB_SocketIo::dotted(const in_addr& address) {
    char text[INET_ADDRSTRLEN] = {};
    ::inet_ntop(AF_INET, &address, text, sizeof text);
    return text;
}

sockaddr_in LB_SocketIo::makeAddress(in_addr host, int port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr = host;
    address.sin_port = htons(static_cast<uint16_t>(port));
    return address;
}

bool LB_SocketIo::waitReady(int socket, short events, int timeoutMs, bool* timedOut) {
    using Clock = std::chrono::steady_clock;
    const bool limited = timeoutMs > kNoTimeout;
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    *timedOut = false;
    for (;;) {
        int waitMs = -1;
        if (limited) {
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
            waitMs = left.count() > 0 ? static_cast<int>(left.count()) : 0;
        }
        pollfd entry{socket, events, 0};
        const int ready = ::poll(&entry, 1, waitMs);
        if (ready > 0) {
            return true;
        }
        if (ready == 0) {
            *timedOut = true;
            return false;
        }
        if (errno != EINTR) {
            return false;
        }
    }
}

bool LB_SocketIo::connectWithin(int socket, const sockaddr_in& address, int timeoutMs,
                                const std::atomic<bool>& cancelled) {
    if (address.sin_addr.s_addr == htonl(INADDR_ANY) || !setNonBlocking(socket, true)) {
        return false;
    }
    const sockaddr* target = reinterpret_cast<const sockaddr*>(&address);
    if (::connect(socket, target, sizeof address) != 0) {
        if (errno != EINPROGRESS && errno != EINTR) {
            return false;
        }
        bool timedOut = false;
        if (!waitReady(socket, POLLOUT, timeoutMs, &timedOut)) {
            return false;
        }
        int error = 0;
        socklen_t size = sizeof error;
        if (::getsockopt(socket, SOL_SOCKET, SO_ERROR, &error, &size) != 0 || error != 0) {
            return false;
        }
    }
    // A socket woken by another thread may look connected: only the flag
    // tells that the connection was cancelled.
    return !cancelled.load() && setNonBlocking(socket, false);
}

int LB_SocketIo::acceptClient(int listening, sockaddr_in* peer) {
    for (;;) {
        socklen_t size = sizeof *peer;
        const int client =
            ::accept4(listening, reinterpret_cast<sockaddr*>(peer), &size, SOCK_CLOEXEC);
        if (client >= 0 || errno != EINTR) {
            return client < 0 ? kNoSocket : client;
        }
    }
}

int LB_SocketIo::boundPort(int socket) {
    sockaddr_in local{};
    socklen_t size = sizeof local;
    if (::getsockname(socket, reinterpret_cast<sockaddr*>(&local), &size) != 0) {
        return 0;
    }
    return ntohs(local.sin_port);
}

LB_SocketIo::Outcome LB_SocketIo::countWaiting(int socket, int* waiting) {
    LB_Diagnostic::line("before ioctlsocket\n");
    if (::ioctl(socket, FIONREAD, waiting) != 0) {
        std::perror("FIONREAD");
        LB_Diagnostic::line("ERROR from ioctlsocket\n");
        return Outcome::kCountFailed;
    }
    LB_Diagnostic::line("got a n of %d\n", *waiting);
    if (*waiting == 0) {
        LB_Diagnostic::line("got n=0\n");
        return Outcome::kNothingWaiting;
    }
    return Outcome::kData;
}

LB_SocketIo::Outcome LB_SocketIo::receiveOnce(int socket, char* buffer, int length, bool block,
                                              bool stream, int timeoutMs, int* count) {
    *count = 0;
    if (!block) {
        int waiting = 0;
        const Outcome counted = countWaiting(socket, &waiting);
        if (counted != Outcome::kData) {
            return counted;
        }
    }
    for (;;) {
        bool timedOut = false;
        if (block && !waitReady(socket, POLLIN, timeoutMs, &timedOut)) {
            return timedOut ? Outcome::kTimedOut : Outcome::kReceiveFailed;
        }
        // The socket may be a blocking one: MSG_DONTWAIT keeps this call from
        // waiting once poll has done the waiting.
        const ssize_t got = ::recv(socket, buffer, static_cast<size_t>(length), MSG_DONTWAIT);
        if (got > 0) {
            *count = static_cast<int>(got);
            return Outcome::kData;
        }
        if (got == 0) {
            return stream ? Outcome::kPeerClosed : Outcome::kData;
        }
        if (errno == EINTR) {
            continue;
        }
        if (errno != EAGAIN && errno != EWOULDBLOCK) {
            return Outcome::kReceiveFailed;
        }
        if (!block) {
            return Outcome::kNothingWaiting;
        }
    }
}
