#include "net/LB_Socket.h"

#include "net/LB_Diagnostic.h"
#include "net/LB_SocketIo.h"
#include "net/LB_SocketLibrary.h"

#include <arpa/inet.h>
#include <sys/socket.h>

#include <cctype>
#include <cerrno>
#include <chrono>

namespace {

void pause(int milliseconds) {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

} // namespace

LB_Socket::LB_Socket()
    : dataSocket_(LB_SocketIo::kNoSocket), listenSocket_(LB_SocketIo::kNoSocket),
      acceptSocket_(LB_SocketIo::kNoSocket) {
    localAddress_.s_addr = htonl(INADDR_ANY);
    libraryUser_ = LB_SocketLibrary::addUser();
}

LB_Socket::~LB_Socket() {
    serving_ = false;
    bool hadListener = false;
    {
        std::lock_guard<std::mutex> hold(listenerGuard_);
        hadListener = listenerThread_.joinable();
    }
    // The listener is stopped and joined by close(), not suspended: it ends
    // through its not-serving branch, since serving is already clear.
    close();
    if (libraryUser_) {
        LB_SocketLibrary::removeUser();
    }
    if (hadListener) {
        LB_Diagnostic::line("Sleep 100 in LB_Socket::~LB_Socket\n");
        pause(100);
    }
}

void LB_Socket::setTimeouts(int connectMs, int receiveMs) {
    connectTimeoutMs_ = connectMs;
    receiveTimeoutMs_ = receiveMs;
}

bool LB_Socket::setLocalAddress(const char* dottedAddress) {
    in_addr parsed{};
    if (dottedAddress == nullptr || !LB_SocketIo::parseDotted(dottedAddress, &parsed)) {
        return false;
    }
    localAddress_ = parsed;
    return true;
}

void LB_Socket::abort() {
    aborted_ = true;
    std::lock_guard<std::mutex> hold(socketsGuard_);
    LB_SocketIo::wake(dataSocket_);
    LB_SocketIo::wake(acceptSocket_);
}

int LB_Socket::port() const {
    return ntohs(address_.sin_port);
}

bool LB_Socket::publish(int* field, int socket) {
    std::lock_guard<std::mutex> hold(socketsGuard_);
    if (aborted_) {
        return false;
    }
    *field = socket;
    return true;
}

int LB_Socket::openInto(int* field, int type) {
    const int socket = LB_SocketIo::openSocket(type);
    if (socket == LB_SocketIo::kNoSocket) {
        return LB_SocketIo::kNoSocket;
    }
    if (!publish(field, socket)) {
        LB_SocketIo::closeSocket(socket);
        return LB_SocketIo::kNoSocket;
    }
    return socket;
}

void LB_Socket::closeField(int* field) {
    std::lock_guard<std::mutex> hold(socketsGuard_);
    LB_SocketIo::closeSocket(*field);
    *field = LB_SocketIo::kNoSocket;
}

int LB_Socket::openTcpClient(const char* host, int port, int blocking) {
    return openClient(SOCK_STREAM, host, port, blocking);
}

int LB_Socket::openUdpClient(const char* host, int port, int blocking) {
    return openClient(SOCK_DGRAM, host, port, blocking);
}

int LB_Socket::openClient(int type, const char* host, int port, int blocking) {
    blocking_ = blocking;
    if (open_) {
        close();
    }
    in_addr remote{};
    const bool found = resolveHost(type, host == nullptr ? "" : host, &remote);
    address_ = LB_SocketIo::makeAddress(remote, port);
    // A failed look-up fails the open here: connecting to the any-address
    // would reach this host on Linux.
    if (found && connectData(type)) {
        mode_ = type == SOCK_STREAM ? kTcpClient : kUdpClient;
        return 1;
    }
    if (type == SOCK_DGRAM) {
        LB_Diagnostic::line("No connection\n");
    }
    return 0;
}

bool LB_Socket::resolveHost(int type, const char* host, in_addr* address) {
    address->s_addr = htonl(INADDR_ANY);
    if (std::isalpha(static_cast<unsigned char>(host[0]))) {
        if (LB_SocketIo::lookUp(host, address)) {
            return true;
        }
        LB_Diagnostic::line("could not find %s\n", host);
        LB_Diagnostic::line(type == SOCK_STREAM ? "Trying to open SOCK_STREAM Client\n"
                                                : "Trying to open SOCK_DGRAM Client\n");
        return false;
    }
    const bool parsed = LB_SocketIo::parseDotted(host, address);
    if (type == SOCK_DGRAM) {
        // The value an unparsable text gives is all ones, as the classic
        // address conversion returns it.
        LB_Diagnostic::line("phe->h_addr is %d\n", parsed ? static_cast<int>(address->s_addr) : -1);
    }
    return parsed;
}

bool LB_Socket::connectData(int type) {
    const int socket = openInto(&dataSocket_, type);
    if (socket == LB_SocketIo::kNoSocket) {
        return false;
    }
    if (!LB_SocketIo::connectWithin(socket, address_, connectTimeoutMs_, aborted_)) {
        closeField(&dataSocket_);
        return false;
    }
    setPeerClosed(false);
    open_ = true;
    return true;
}

int LB_Socket::openUdpServer(int port, int blocking) {
    if (open_) {
        close();
    }
    address_ = LB_SocketIo::makeAddress(localAddress_, port);
    blocking_ = blocking;
    return bindUdpServer() ? 1 : 0;
}

bool LB_Socket::bindUdpServer() {
    const int socket = openInto(&dataSocket_, SOCK_DGRAM);
    if (socket == LB_SocketIo::kNoSocket) {
        return false;
    }
    if (::bind(socket, reinterpret_cast<const sockaddr*>(&address_), sizeof address_) != 0 ||
        (blocking_ == 0 && !LB_SocketIo::setNonBlocking(socket, true))) {
        closeField(&dataSocket_);
        return false;
    }
    // Keeping the port the system chose lets reconnect() bind the same one.
    address_.sin_port = htons(static_cast<uint16_t>(LB_SocketIo::boundPort(socket)));
    setPeerClosed(false);
    mode_ = kUdpServer;
    open_ = true;
    return true;
}

int LB_Socket::openTcpServer(int port, int blocking, LB_ClientHandler handler, void* userData) {
    if (open_) {
        close();
    }
    address_ = LB_SocketIo::makeAddress(localAddress_, port);
    if (handler != nullptr) {
        return startListener(blocking, handler, userData);
    }
    blocking_ = blocking;
    return openSingleClientServer();
}

int LB_Socket::openSingleClientServer() {
    const int listening = openInto(&acceptSocket_, SOCK_STREAM);
    if (listening == LB_SocketIo::kNoSocket) {
        return failSingleClientServer(LB_SocketIo::kNoSocket);
    }
    LB_SocketIo::allowAddressReuse(listening);
    if (::bind(listening, reinterpret_cast<const sockaddr*>(&address_), sizeof address_) != 0) {
        return failSingleClientServer(listening);
    }
    address_.sin_port = htons(static_cast<uint16_t>(LB_SocketIo::boundPort(listening)));
    if (blocking_ == 0 && !LB_SocketIo::setNonBlocking(listening, true)) {
        closeField(&acceptSocket_);
        return 0;
    }
    if (::listen(listening, 1) != 0) {
        return failSingleClientServer(listening);
    }
    sockaddr_in peer{};
    const int client = LB_SocketIo::acceptClient(listening, &peer);
    if (client == LB_SocketIo::kNoSocket || aborted_) {
        LB_SocketIo::closeSocket(client);
        return failSingleClientServer(listening);
    }
    LB_Diagnostic::line("%s:%d connected\n", LB_SocketIo::dotted(peer.sin_addr).c_str(),
                        ntohs(peer.sin_port));
    LB_Diagnostic::line("sicket_fd is %d\n", client);
    closeField(&acceptSocket_);
    if (!publish(&dataSocket_, client)) {
        LB_SocketIo::closeSocket(client);
        return 0;
    }
    setPeerClosed(false);
    mode_ = kTcpSingleClientServer;
    open_ = true;
    return 1;
}

// Every way the one client could not be had (no socket, bind, listen or
// accept failed) ends with the same line; the value is the failed call's -1.
int LB_Socket::failSingleClientServer(int listening) {
    LB_Diagnostic::line("sicket_fd open failed with return vlaue %d\n", -1);
    if (listening != LB_SocketIo::kNoSocket) {
        closeField(&acceptSocket_);
    }
    open_ = false;
    mode_ = kNone;
    return 0;
}

int LB_Socket::startListener(int blocking, LB_ClientHandler handler, void* userData) {
    // A loop still running holds the lock: a second server waits for it.
    lock_.acquire();
    stopRequested_ = false;
    std::thread previous;
    {
        std::lock_guard<std::mutex> hold(listenerGuard_);
        previous = std::move(listenerThread_);
    }
    if (previous.joinable()) {
        previous.join();
    }
    closeField(&listenSocket_);
    handler_ = handler;
    userData_ = userData;
    blocking_ = blocking;
    const int listening = openListening();
    if (listening == LB_SocketIo::kNoSocket) {
        lock_.release();
        return 0;
    }
    if (blocking != 0) {
        blockLoopNlisten(listening);
        return 1;
    }
    std::lock_guard<std::mutex> hold(listenerGuard_);
    listenerThread_ = std::thread(&LB_Socket::blockLoopNlisten, this, listening);
    return 1;
}

// Binds and listens before the loop starts, so that a port that cannot be
// had fails the open instead of leaving a loop that can never accept.
int LB_Socket::openListening() {
    const int listening = openInto(&listenSocket_, SOCK_STREAM);
    if (listening == LB_SocketIo::kNoSocket) {
        return LB_SocketIo::kNoSocket;
    }
    LB_SocketIo::allowAddressReuse(listening);
    if (::bind(listening, reinterpret_cast<const sockaddr*>(&address_), sizeof address_) != 0 ||
        ::listen(listening, 1) != 0) {
        closeField(&listenSocket_);
        return LB_SocketIo::kNoSocket;
    }
    address_.sin_port = htons(static_cast<uint16_t>(LB_SocketIo::boundPort(listening)));
    return listening;
}

void LB_Socket::blockLoopNlisten(int listening) {
    while (!stopRequested_) {
        sockaddr_in peer{};
        const int client = LB_SocketIo::acceptClient(listening, &peer);
        if (!serving_) {
            refuseClient(client, peer);
            LB_Diagnostic::line("Sleep 10 in LB_Socket::blockLoopNlisten\n");
            pause(10);
            break;
        }
        if (stopRequested_) {
            // The accept was woken to end the loop; a client that came in
            // that instant is not served.
            LB_SocketIo::closeSocket(client);
            break;
        }
        if (client == LB_SocketIo::kNoSocket) {
            LB_Diagnostic::line("Sleep 100 in LB_Socket::blockLoopNlisten\n");
            pause(100);
            LB_Diagnostic::line("Got a bad socket, Did not start thread\n");
            continue;
        }
        clients_.joinFinished();
        serveClient(client, peer);
    }
    // Released on every way out, so that stopListening() and a later server
    // never wait for a loop that has already ended.
    lock_.release();
}

void LB_Socket::refuseClient(int client, const sockaddr_in& peer) {
    if (client == LB_SocketIo::kNoSocket) {
        return;
    }
    LB_Diagnostic::line("opend and now closing %s:%d\n", LB_SocketIo::dotted(peer.sin_addr).c_str(),
                        ntohs(peer.sin_port));
    LB_SocketIo::closeSocket(client);
}

void LB_Socket::serveClient(int client, const sockaddr_in& peer) {
    auto* sub = new LB_SSubSocket(client, this, handler_, userData_);
    sub->setPeer(LB_SocketIo::dotted(peer.sin_addr), ntohs(peer.sin_port));
    clients_.launch(sub);
}

void LB_Socket::stopListening() {
    endListener();
}

void LB_Socket::endListener() {
    stopRequested_ = true;
    {
        // accept() does not return when its socket is closed, but does when
        // it is shut down.
        std::lock_guard<std::mutex> hold(socketsGuard_);
        LB_SocketIo::wake(listenSocket_);
    }
    lock_.acquire();
    lock_.release();
    std::thread listener;
    {
        std::lock_guard<std::mutex> hold(listenerGuard_);
        listener = std::move(listenerThread_);
    }
    if (listener.joinable()) {
        listener.join();
    }
}

void LB_Socket::close() {
    endListener();
    closeField(&listenSocket_);
    endClients();
    closeField(&dataSocket_);
    open_ = false;
}

int LB_Socket::reconnect() {
    close();
    switch (mode_) {
    case kUdpServer:
        return bindUdpServer() ? 1 : 0;
    case kUdpClient: {
        const bool connected = connectData(SOCK_DGRAM);
        LB_Diagnostic::line(connected ? "Reopened the connection\n" : "No connection\n");
        return connected ? 1 : 0;
    }
    case kTcpSingleClientServer:
        // The one client is gone and nothing waits for another: reporting
        // success here would claim a connection that does not exist.
        return 0;
    case kTcpClient:
        if (!connectData(SOCK_STREAM)) {
            return 0;
        }
        LB_Diagnostic::line("Got a connection\n");
        return 1;
    default:
        return 0;
    }
}

int LB_Socket::send(const char* buffer, int length, int /*flags*/) {
    if (dataSocket_ == LB_SocketIo::kNoSocket) {
        return 0;
    }
    if (!open_ && mode_ != kNone) {
        LB_Diagnostic::line("Attempting to re-connect with server\n");
        reconnect();
        return 0;
    }
    ssize_t sent = -1;
    do {
        // MSG_NOSIGNAL: a peer that has gone must fail the send, not raise
        // SIGPIPE and end the process.
        sent =
            ::send(dataSocket_, buffer, static_cast<size_t>(length < 0 ? 0 : length), MSG_NOSIGNAL);
    } while (sent < 0 && errno == EINTR);
    if (sent >= 0) {
        return static_cast<int>(sent);
    }
    LB_Diagnostic::line("did not send data: LB_Socket::send\n");
    close();
    return 0;
}

int LB_Socket::receive(char* buffer, int length, int wait) {
    if (dataSocket_ == LB_SocketIo::kNoSocket) {
        return 0;
    }
    if (!open_ && mode_ != kNone) {
        LB_Diagnostic::line("Attempting to re-connect with server\n");
        reconnect();
        return -1;
    }
    if (buffer == nullptr || length <= 0) {
        return 0;
    }
    const bool block = wait == 2 ? blocking_ != 0 : wait != 0;
    const bool stream = mode_ == kTcpClient || mode_ == kTcpSingleClientServer;
    int count = 0;
    const LB_SocketIo::Outcome outcome = LB_SocketIo::receiveOnce(
        dataSocket_, buffer, length, block, stream, receiveTimeoutMs_, &count);
    if (aborted_) {
        return failReceive();
    }
    const int result = resultOf(outcome, count);
    return result != kReportFailure ? result : failReceive();
}

// A time-out or a cancel ends the receive as an error does: a stuck peer
// must not leave a half-read connection open.
int LB_Socket::failReceive() {
    LB_Diagnostic::line("in LB_Socket::receive, got an error on recv\n");
    close();
    return -1;
}

void LB_Socket::endClients() {
    // In the order the clients came: wake the handler, wait for its thread,
    // then destroy the sub-socket.
    for (LB_SSubSocket* client : clients_.takeAll()) {
        client->endThread();
        delete client;
    }
    clients_.joinFinished();
}
