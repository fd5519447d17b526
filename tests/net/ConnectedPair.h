#pragma once

#include "net/LB_Socket.h"

#include "tests/net/RawSocket.h"

#include <chrono>

namespace nettest {

// An LB_Socket connected as a TCP client to a loopback listener, with the
// accepted end at hand.
struct ConnectedPair {
    RawSocket listener = RawSocket::listenTcp();
    LB_Socket client;
    RawSocket server;

    bool open(int blocking = 1) {
        if (client.openTcpClient("127.0.0.1", listener.port(), blocking) != 1) {
            return false;
        }
        server = listener.accept(std::chrono::seconds(10));
        return server.valid();
    }
};

} // namespace nettest
