#pragma once

#include "net/LB_SocketIo.h"
#include "platform/BinarySemaphore.h"

#include <atomic>

// The base of the socket family: a connected end that can send and receive.
// receiveAll is built on receive. Each object is used by one thread at a
// time (its owner, or the client thread a listener handed it to). Failures
// are reported by result: 0 or a negative count, never by exception.
class LB_SubSocket {
public:
    LB_SubSocket();
    virtual ~LB_SubSocket();
    LB_SubSocket(const LB_SubSocket&) = delete;
    LB_SubSocket& operator=(const LB_SubSocket&) = delete;

    // Bytes sent, or 0 / a negative count on failure; flags are not used.
    virtual int send(const char* buffer, int length, int flags) = 0;
    // Bytes received; 0 when nothing is waiting (wait flag 0) or when the
    // peer has closed; -1 on error.
    virtual int receive(char* buffer, int length, int wait) = 0;
    // Receives until length bytes have come (returns length) or fails with
    // -1. A receive that finds nothing waiting does not make it ask again in
    // a busy loop: it waits for the rest. A peer that closes before the
    // length is reached ends it with -1.
    virtual int receiveAll(char* buffer, int length, int wait);

    // True once a stream receive found that the peer had ended its side;
    // cleared when a new connection is made.
    bool peerClosed() const { return peerClosed_.load(); }

protected:
    void setPeerClosed(bool closed) { peerClosed_.store(closed); }

    // A receive's result as callers see it (count, 0, or -1 when the byte
    // count could not be read), or kReportFailure when the receive failed or
    // timed out and the caller must report it its own way.
    static constexpr int kReportFailure = -2;
    int resultOf(LB_SocketIo::Outcome outcome, int count);

    // Count 1, maximum 1. The listener of LB_Socket holds it while its loop
    // runs; it is a semaphore because the loop may end on another thread
    // than the one that took it.
    platform::BinarySemaphore lock_;

private:
    std::atomic<bool> peerClosed_{false};
};
