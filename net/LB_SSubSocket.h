#pragma once

#include "net/LB_SubSocket.h"

#include <string>
#include <thread>

class LB_Socket;
class LB_SSubSocket;

// Runs for one accepted client, on that client's own thread.
using LB_ClientHandler = void (*)(LB_SSubSocket* client, void* userData);

// One client accepted by an LB_Socket TCP server. The listener makes it and
// starts its thread, which runs the handler; when the handler returns the
// thread destroys the sub-socket. If the owner closes first, it wakes the
// handler (shutdown of the client socket), waits for the thread and destroys
// the sub-socket itself. So the owner owns every sub-socket in its list, and
// a handler must never delete its own sub-socket.
//
// send and receive are for the handler's thread. Failures are reported by
// result (-1 or a negative count) with a diagnostic line; a failure does not
// close the client socket.
class LB_SSubSocket : public LB_SubSocket {
public:
    // Takes the client socket over and appends itself to the owner's client
    // list (an owner may be null: the sub-socket then stands alone).
    LB_SSubSocket(int clientSocket, LB_Socket* owner, LB_ClientHandler handler, void* userData);
    ~LB_SSubSocket() override;

    // One send of the whole buffer; the negative result on failure.
    int send(const char* buffer, int length, int flags) override;
    // As LB_Socket::receive, with the wait flag taken as given: 0 does not
    // block, anything else blocks.
    int receive(char* buffer, int length, int wait) override;

    LB_Socket* owner() const { return owner_; }
    // The peer's dotted address, empty until the listener records it.
    const std::string& peerAddress() const { return peerAddress_; }
    int peerPort() const { return peerPort_; }

private:
    friend class LB_ClientList;
    friend class LB_Socket;

    void setPeer(const std::string& address, int port);
    // Wakes the handler and waits for its thread. The owner calls it before
    // it destroys a sub-socket whose handler still runs, so that the handler
    // never uses an object already being destroyed.
    void endThread();
    static void clientMain(LB_SSubSocket* client);

    int clientSocket_;
    std::thread thread_;
    LB_Socket* owner_;
    LB_ClientHandler handler_;
    void* userData_;
    std::string peerAddress_;
    int peerPort_ = 0;
    // Links of the owner's client list, guarded by the list's lock.
    LB_SSubSocket* next_ = nullptr;
    LB_SSubSocket* previous_ = nullptr;
    bool linked_ = false;
    // Set when a thread still running had to be ended for the destruction.
    bool threadEnded_ = false;
};
