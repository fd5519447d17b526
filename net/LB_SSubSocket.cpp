#include "net/LB_SSubSocket.h"

#include "net/LB_Diagnostic.h"
#include "net/LB_Socket.h"
#include "net/LB_SocketIo.h"

#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>

LB_SSubSocket::LB_SSubSocket(int clientSocket, LB_Socket* owner, LB_ClientHandler handler,
                             void* userData)
    : clientSocket_(clientSocket), owner_(owner), handler_(handler), userData_(userData) {
    if (owner_ != nullptr) {
        owner_->clients_.append(this);
    }
    LB_Diagnostic::line("creating LB_SubSocket::LB_SubSocket\n");
}

LB_SSubSocket::~LB_SSubSocket() {
    LB_Diagnostic::line("LB_SSubSocket::~LB_SSubSocket() in process %d %d\n",
                        static_cast<int>(getpid()), static_cast<int>(gettid()));
    endThread();
    if (threadEnded_) {
        LB_Diagnostic::line("Sleep 100 in LB_SSubSocket::~LB_SSubSocket\n");
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    LB_SocketIo::closeSocket(clientSocket_);
    if (!peerAddress_.empty()) {
        LB_Diagnostic::line("Deleting LB_SubSocket::LB_SubSocket for client ip:%s port %d\n",
                            peerAddress_.c_str(), peerPort_);
    } else {
        LB_Diagnostic::line("Deleting LB_SubSocket::LB_SubSocket\n");
    }
    if (owner_ != nullptr) {
        owner_->clients_.remove(this);
    }
}

void LB_SSubSocket::endThread() {
    if (!thread_.joinable()) {
        return;
    }
    // The handler may be blocked in a receive: the shutdown ends it, and the
    // thread is waited for, never left running or suspended.
    LB_SocketIo::wake(clientSocket_);
    thread_.join();
    threadEnded_ = true;
}

void LB_SSubSocket::setPeer(const std::string& address, int port) {
    peerAddress_ = address;
    peerPort_ = port;
    LB_Diagnostic::line("%s:%d connected\n", peerAddress_.c_str(), peerPort_);
}

void LB_SSubSocket::clientMain(LB_SSubSocket* client) {
    if (client->clientSocket_ == LB_SocketIo::kNoSocket) {
        LB_Diagnostic::line("Got a bad socket, Will be shutting down\n");
    } else if (client->handler_ != nullptr) {
        client->handler_(client, client->userData_);
    }
    // When the owner is closing it has taken the sub-socket from its list and
    // destroys it after this thread ends; otherwise this thread does, its
    // thread handle handed to the owner to be joined.
    if (client->owner_->clients_.finish(client)) {
        delete client;
    }
}

int LB_SSubSocket::send(const char* buffer, int length, int /*flags*/) {
    ssize_t sent = -1;
    do {
        sent = ::send(clientSocket_, buffer, static_cast<size_t>(length < 0 ? 0 : length),
                      MSG_NOSIGNAL);
    } while (sent < 0 && errno == EINTR);
    if (sent < 0) {
        LB_Diagnostic::line("did not send data: LB_SSubSocket::send\n");
    }
    return static_cast<int>(sent);
}

int LB_SSubSocket::receive(char* buffer, int length, int wait) {
    if (clientSocket_ == LB_SocketIo::kNoSocket || buffer == nullptr || length <= 0) {
        return 0;
    }
    int count = 0;
    const LB_SocketIo::Outcome outcome = LB_SocketIo::receiveOnce(
        clientSocket_, buffer, length, wait != 0, true, LB_SocketIo::kNoTimeout, &count);
    const int result = resultOf(outcome, count);
    if (result != kReportFailure) {
        return result;
    }
    LB_Diagnostic::line("in LB_SSubSocket::receive, got an error on recv\n");
    return -1;
}
