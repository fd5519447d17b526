#pragma once

// Peers made straight from POSIX calls on 127.0.0.1, so that the socket family is
// checked against code that is not its own; a call run on a thread; a capture of fd 1.
#include "net/LB_Socket.h"
#include "tests/support/EventCounter.h"
#include "tests/support/FreePort.h"
#include "tests/support/WaitUntil.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <unistd.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <utility>

namespace nettest {

using namespace std::chrono_literals;

inline sockaddr_in loopback(int port) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(static_cast<uint16_t>(port));
    return a;
}

// An owned descriptor; -1 when the call that made it failed.
struct Raw {
    int fd = -1;
    explicit Raw(int descriptor = -1) : fd(descriptor) {}
    Raw(Raw&& o) noexcept : fd(std::exchange(o.fd, -1)) {}
    Raw& operator=(Raw&& o) noexcept { return std::swap(fd, o.fd), *this; }
    ~Raw() { close(); }
    void close() { fd = fd >= 0 ? (::close(fd), -1) : -1; }
    bool valid() const { return fd >= 0; }
    int port() const {
        sockaddr_in a{};
        socklen_t n = sizeof a;
        return ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &n) == 0 ? ntohs(a.sin_port) : 0;
    }
    // Bound to a free port; listening when given a backlog.
    static Raw make(int type, int backlog = -1) {
        Raw s(::socket(AF_INET, type | SOCK_CLOEXEC, 0));
        const sockaddr_in a = loopback(0);
        const bool bound = ::bind(s.fd, reinterpret_cast<const sockaddr*>(&a), sizeof a) == 0;
        return bound && (backlog < 0 || ::listen(s.fd, backlog) == 0) ? std::move(s) : Raw();
    }
    static Raw listener(int backlog = 8) { return make(SOCK_STREAM, backlog); }
    // Connects, retrying while the port is refused, until the deadline.
    static Raw connect(int port, std::chrono::milliseconds limit = 10s) {
        const auto deadline = std::chrono::steady_clock::now() + limit;
        const sockaddr_in a = loopback(port);
        for (;; std::this_thread::sleep_for(5ms)) {
            Raw s(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
            if (::connect(s.fd, reinterpret_cast<const sockaddr*>(&a), sizeof a) == 0) {
                return s;
            }
            if (errno != ECONNREFUSED || std::chrono::steady_clock::now() >= deadline) {
                return Raw();
            }
        }
    }
    // A listener whose one place in the queue `filler` takes: a further connect gets no answer.
    static Raw unanswering(Raw* filler) {
        Raw s = listener(0);
        *filler = connect(s.port());
        return s;
    }
    bool readable(std::chrono::milliseconds limit = 10s) {
        pollfd e{fd, POLLIN, 0};
        return ::poll(&e, 1, static_cast<int>(limit.count())) > 0;
    }
    Raw accept(std::chrono::milliseconds limit = 10s) {
        return readable(limit) ? Raw(::accept4(fd, nullptr, nullptr, SOCK_CLOEXEC)) : Raw();
    }
    // To the connected peer, or to a UDP port on 127.0.0.1.
    bool send(const std::string& t, int port = 0) {
        const sockaddr_in a = loopback(port);
        const auto* to = port != 0 ? reinterpret_cast<const sockaddr*>(&a) : nullptr;
        return ::sendto(fd, t.data(), t.size(), MSG_NOSIGNAL, to, to ? sizeof a : 0) ==
               static_cast<ssize_t>(t.size());
    }
    // Reads until `bytes` came, the peer closed or 10 s passed without a byte.
    std::string receive(size_t bytes) {
        std::string text(bytes, '\0');
        size_t got = 0;
        for (ssize_t n = 1; got < bytes && n > 0 && readable(); got += n > 0 ? n : 0) {
            n = ::recv(fd, text.data() + got, bytes - got, 0);
        }
        return text.substr(0, got);
    }
    bool seesEnd() { return receive(1).empty() && readable(0ms); }
};

// An LB_Socket connected as a TCP client to a loopback listener, the accepted end at hand.
struct ConnectedPair {
    Raw listener = Raw::listener();
    LB_Socket client;
    Raw server;
    bool open(int blocking = 1) {
        return client.openTcpClient("127.0.0.1", listener.port(), blocking) == 1 &&
               (server = listener.accept()).valid();
    }
};

// Runs a call on a thread of its own. A call still running after 10 s fails the
// test and is ended through `stop`, so that a failing test does not hang.
class Async {
public:
    Async(std::function<int()> call, std::function<void()> stop)
        : stop_(std::move(stop)), thread_([this, call] {
              result_ = call();
              done_.add();
          }) {}
    ~Async() { result(); }
    bool doneWithin(std::chrono::milliseconds limit) { return done_.waitFor(1, limit); }
    int result() {
        if (thread_.joinable()) {
            if (!done_.waitFor(1, 10s)) {
                ADD_FAILURE() << "the call hung";
                stop_();
            }
            thread_.join();
        }
        return result_;
    }

private:
    std::function<void()> stop_;
    std::atomic<int> result_{-2};
    testsupport::EventCounter done_;
    std::thread thread_;
};

// Sends fd 1 (every thread's writes) to a file while it lives; echoes it when the test failed.
class StdoutCapture {
public:
    StdoutCapture() : saved_((std::fflush(stdout), dup(1))) { dup2(fileno(file_), 1); }
    ~StdoutCapture() {
        const std::string captured = text();
        dup2(saved_, 1);
        ::close(saved_);
        std::fclose(file_);
        if (::testing::Test::HasFailure()) {
            std::printf("--- captured output ---\n%s--- end ---\n", captured.c_str());
        }
    }
    std::string text() {
        std::fflush(stdout);
        std::string all(static_cast<size_t>(lseek(fileno(file_), 0, SEEK_END)), '\0');
        return all.substr(0, std::max<ssize_t>(pread(fileno(file_), all.data(), all.size(), 0), 0));
    }
    int count(const std::string& piece) {
        const std::string all = text();
        int found = 0;
        for (size_t at = all.find(piece); at != std::string::npos; at = all.find(piece, at + 1)) {
            ++found;
        }
        return found;
    }
    bool waitForCount(const std::string& piece, int times) {
        return testsupport::waitUntil([&] { return count(piece) >= times; }, 10s, 5ms);
    }

private:
    std::FILE* file_ = std::tmpfile();
    int saved_;
};

} // namespace nettest
