#include "net/LB_SubSocket.h"

LB_SubSocket::LB_SubSocket() : lock_(true) {}

LB_SubSocket::~LB_SubSocket() = default;

int LB_SubSocket::receiveAll(char* buffer, int length, int wait) {
    int received = 0;
    while (received < length) {
        const int got = receive(buffer + received, length - received, wait);
        if (got < 0) {
            return -1;
        }
        if (got == 0 && peerClosed()) {
            return -1;
        }
        if (got == 0) {
            // Nothing was waiting (or an empty datagram came): wait for data
            // instead of asking again at once, which would spin and repeat
            // the count lines without end.
            wait = 1;
        }
        received += got;
    }
    return length;
}

int LB_SubSocket::resultOf(LB_SocketIo::Outcome outcome, int count) {
    switch (outcome) {
    case LB_SocketIo::Outcome::kData:
        return count;
    case LB_SocketIo::Outcome::kNothingWaiting:
        return 0;
    case LB_SocketIo::Outcome::kPeerClosed:
        setPeerClosed(true);
        return 0;
    case LB_SocketIo::Outcome::kCountFailed:
        return -1;
    case LB_SocketIo::Outcome::kReceiveFailed:
    case LB_SocketIo::Outcome::kTimedOut:
        break;
    }
    return kReportFailure;
}
