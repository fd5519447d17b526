#pragma once

#include <netinet/in.h>

#include <atomic>
#include <string>

// The POSIX socket calls shared by LB_Socket and LB_SSubSocket: socket
// creation, connecting with a time-out, and the one-receive step with its
// diagnostic lines. Stateless; any thread. Failures are reported by result
// (-1, false or an outcome), never by exception.
class LB_SocketIo {
public:
    static constexpr int kNoSocket = -1;
    // A time-out of zero or below waits without limit.
    static constexpr int kNoTimeout = 0;

    enum class Outcome {
        kData,           // count bytes arrived (0 only for an empty datagram)
        kNothingWaiting, // asked not to block and nothing was there
        kPeerClosed,     // a stream peer has ended its side
        kCountFailed,    // asking how many bytes wait failed
        kReceiveFailed,  // recv failed
        kTimedOut,       // nothing came within the receive time-out
    };

    // A new IPv4 socket of the given type (SOCK_STREAM, SOCK_DGRAM), or
    // kNoSocket.
    static int openSocket(int type);
    static void closeSocket(int socket);
    // Ends both directions: a thread blocked in recv, accept, connect or poll
    // on this socket wakes up. close() alone does not wake it.
    static void wake(int socket);
    static bool setNonBlocking(int socket, bool nonBlocking);
    // Lets a server bind its port again while old connections linger in
    // TIME_WAIT; it does not let two listeners share a port.
    static void allowAddressReuse(int socket);

    // The first IPv4 address of a host name; false when it has none.
    static bool lookUp(const char* host, in_addr* address);
    // A dotted address in the forms inet_aton accepts; false otherwise.
    static bool parseDotted(const char* text, in_addr* address);
    static std::string dotted(const in_addr& address);
    static sockaddr_in makeAddress(in_addr host, int port);

    // Connects within the time-out. False on failure, time-out, or when
    // cancelled was set by the time the wait ended (another thread then woke
    // the socket). The any-address is refused: Linux would take it to mean
    // this host.
    static bool connectWithin(int socket, const sockaddr_in& address, int timeoutMs,
                              const std::atomic<bool>& cancelled);
    // accept(), retried when a signal interrupts it; kNoSocket on failure.
    static int acceptClient(int listening, sockaddr_in* peer);
    // The port a bound socket holds, or 0.
    static int boundPort(int socket);

    // One receive of at most length bytes. Without block it first asks how
    // many bytes wait (writing the "before ioctlsocket" lines) and returns
    // kNothingWaiting when none do; with block it waits up to timeoutMs for
    // data. A stream peer that closed reads as nothing waiting when not
    // blocking, since the count of waiting bytes cannot tell the two apart.
    static Outcome receiveOnce(int socket, char* buffer, int length, bool block, bool stream,
                               int timeoutMs, int* count);

private:
    static Outcome countWaiting(int socket, int* waiting);
    static bool waitReady(int socket, short events, int timeoutMs, bool* timedOut);
};
