#pragma once

#include <mutex>
#include <thread>
#include <vector>

class LB_SSubSocket;

// The client sub-sockets of one LB_Socket server, in order of acceptance,
// and the threads of the clients whose handler has returned, still to be
// joined. The listener appends and launches, client threads take themselves
// out, the owner's close() takes them all: every operation holds the list's
// lock, so any thread may call it. The list does not destroy sub-sockets; it
// only says who does.
class LB_ClientList {
public:
    LB_ClientList() = default;
    LB_ClientList(const LB_ClientList&) = delete;
    LB_ClientList& operator=(const LB_ClientList&) = delete;

    void append(LB_SSubSocket* client);
    void remove(LB_SSubSocket* client);
    // Starts the client's thread. The handle is stored under the lock, which
    // the thread needs in finish(), so it never finds the handle missing.
    void launch(LB_SSubSocket* client);
    // Called by the client's own thread when its handler has returned. True
    // when the client was still listed: it is taken out, its thread handle
    // kept to be joined, and the caller destroys it. False when the owner has
    // taken it and destroys it itself.
    bool finish(LB_SSubSocket* client);
    // Takes out every client but the one running on the calling thread (a
    // handler that closes its owner cannot wait for itself).
    std::vector<LB_SSubSocket*> takeAll();
    // Joins the threads of the clients that finished on their own.
    void joinFinished();

private:
    void unlinkLocked(LB_SSubSocket* client);

    std::mutex guard_;
    LB_SSubSocket* first_ = nullptr;
    LB_SSubSocket* last_ = nullptr;
    std::vector<std::thread> finished_;
};
