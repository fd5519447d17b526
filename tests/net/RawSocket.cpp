#include "tests/net/RawSocket.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <thread>

namespace nettest {

namespace {

sockaddr_in loopback(int port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<uint16_t>(port));
    return address;
}

bool bindLoopback(int fd, int port) {
    const sockaddr_in address = loopback(port);
    return ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
}

} // namespace

RawSocket::~RawSocket() {
    close();
}

RawSocket::RawSocket(RawSocket&& other) noexcept : fd_(other.fd_) {
    other.fd_ = -1;
}

RawSocket& RawSocket::operator=(RawSocket&& other) noexcept {
    if (this != &other) {
        close();
        fd_ = other.fd_;
        other.fd_ = -1;
    }
    return *this;
}

RawSocket RawSocket::listenTcp(int backlog) {
    RawSocket listener(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (!bindLoopback(listener.fd_, 0) || ::listen(listener.fd_, backlog) != 0) {
        return RawSocket();
    }
    return listener;
}

RawSocket RawSocket::unansweringListener(RawSocket* filler) {
    // With a backlog of 0 the queue takes one connection; the filler takes
    // that place and is never accepted.
    RawSocket listener = listenTcp(0);
    if (!listener.valid()) {
        return listener;
    }
    *filler = connectTcp(listener.port(), std::chrono::seconds(10));
    return filler->valid() ? std::move(listener) : RawSocket();
}

RawSocket RawSocket::connectTcp(int port, std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    const sockaddr_in address = loopback(port);
    for (;;) {
        RawSocket client(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
        if (::connect(client.fd_, reinterpret_cast<const sockaddr*>(&address), sizeof address) ==
            0) {
            return client;
        }
        if (errno != ECONNREFUSED || std::chrono::steady_clock::now() >= deadline) {
            return RawSocket();
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

RawSocket RawSocket::bindUdp() {
    RawSocket socket(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0));
    if (!bindLoopback(socket.fd_, 0)) {
        return RawSocket();
    }
    return socket;
}

int RawSocket::freeTcpPort() {
    RawSocket probe(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (!bindLoopback(probe.fd_, 0)) {
        return 0;
    }
    return probe.port();
}

int RawSocket::port() const {
    sockaddr_in local{};
    socklen_t size = sizeof local;
    if (::getsockname(fd_, reinterpret_cast<sockaddr*>(&local), &size) != 0) {
        return 0;
    }
    return ntohs(local.sin_port);
}

int RawSocket::release() {
    const int fd = fd_;
    fd_ = -1;
    return fd;
}

bool RawSocket::waitReadable(std::chrono::milliseconds limit) {
    pollfd entry{fd_, POLLIN, 0};
    return ::poll(&entry, 1, static_cast<int>(limit.count())) > 0;
}

RawSocket RawSocket::accept(std::chrono::milliseconds limit) {
    if (!waitReadable(limit)) {
        return RawSocket();
    }
    return RawSocket(::accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC));
}

bool RawSocket::sendText(const std::string& text) {
    return ::send(fd_, text.data(), text.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(text.size());
}

bool RawSocket::sendTo(int port, const std::string& text) {
    const sockaddr_in address = loopback(port);
    return ::sendto(fd_, text.data(), text.size(), 0, reinterpret_cast<const sockaddr*>(&address),
                    sizeof address) == static_cast<ssize_t>(text.size());
}

std::string RawSocket::receiveText(std::chrono::milliseconds limit, size_t bytes) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    std::string text;
    while (text.size() < bytes) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0 || !waitReadable(left)) {
            break;
        }
        char chunk[4096];
        const ssize_t got = ::recv(fd_, chunk, std::min(sizeof chunk, bytes - text.size()), 0);
        if (got <= 0) {
            break;
        }
        text.append(chunk, static_cast<size_t>(got));
    }
    return text;
}

bool RawSocket::seesEndOfStream(std::chrono::milliseconds limit) {
    if (!waitReadable(limit)) {
        return false;
    }
    char byte = 0;
    return ::recv(fd_, &byte, 1, 0) == 0;
}

void RawSocket::resetAndClose() {
    const linger abortive{1, 0};
    ::setsockopt(fd_, SOL_SOCKET, SO_LINGER, &abortive, sizeof abortive);
    close();
}

void RawSocket::close() {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
}

} // namespace nettest
