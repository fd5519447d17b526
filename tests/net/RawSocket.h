#pragma once

#include <chrono>
#include <string>

namespace nettest {

// A peer for the socket tests made straight from POSIX calls, so that what
// the family does is checked against code that is not its own. Everything is
// bound to or aimed at 127.0.0.1. Failures give an invalid socket (fd -1).
class RawSocket {
public:
    RawSocket() = default;
    explicit RawSocket(int fd) : fd_(fd) {}
    ~RawSocket();
    RawSocket(RawSocket&& other) noexcept;
    RawSocket& operator=(RawSocket&& other) noexcept;
    RawSocket(const RawSocket&) = delete;
    RawSocket& operator=(const RawSocket&) = delete;

    // A TCP listener on a free loopback port.
    static RawSocket listenTcp(int backlog = 8);
    // A listener whose accept queue is full, so a further connect to it gets
    // no answer at all (the SYN is dropped) until it gives up.
    static RawSocket unansweringListener(RawSocket* filler);
    // Connects, retrying while the port is refused, until the deadline.
    static RawSocket connectTcp(int port, std::chrono::milliseconds limit);
    // A UDP socket on a free loopback port.
    static RawSocket bindUdp();
    // A port that was free a moment ago.
    static int freeTcpPort();

    bool valid() const { return fd_ >= 0; }
    int fd() const { return fd_; }
    int port() const;
    // Gives the descriptor up to a new owner.
    int release();

    // The next connection, or an invalid socket at the deadline.
    RawSocket accept(std::chrono::milliseconds limit);
    bool sendText(const std::string& text);
    bool sendTo(int port, const std::string& text);
    // Reads until the peer closes, the deadline passes or limit bytes came.
    std::string receiveText(std::chrono::milliseconds limit, size_t bytes = 65536);
    // True when the peer has closed: a read returns 0 within the deadline.
    bool seesEndOfStream(std::chrono::milliseconds limit);
    // Closes at once with a reset instead of the orderly end.
    void resetAndClose();
    void close();

private:
    bool waitReadable(std::chrono::milliseconds limit);

    int fd_ = -1;
};

} // namespace nettest
