#pragma once

#include "net/LB_ClientList.h"
#include "net/LB_SSubSocket.h"
#include "net/LB_SubSocket.h"

#include <netinet/in.h>

#include <atomic>
#include <mutex>
#include <thread>

// An IPv4 TCP or UDP socket: a client, a UDP server, a TCP server for one
// client, or a TCP server whose listener hands every client to an
// LB_SSubSocket running a handler on a thread of its own.
//
// The object owns its sockets, its listener thread and every client
// sub-socket with its thread; close() and destruction end all of them in
// order (wake with shutdown, then join). A handler may call stopListening()
// on its owner at any time, and close() while no other thread uses the owner
// (the handler's own sub-socket then ends when the handler returns); it must
// never destroy its owner.
//
// One owner thread makes every call, except abort() and stopListening(),
// which any thread may call. Failures are reported by result (0, -1 or the
// counts below) and a diagnostic line on the standard output; a send or
// receive error closes the socket, keeping its mode for reconnect().
class LB_Socket : public LB_SubSocket {
public:
    // What was opened last; kept by close() so that reconnect() can repeat it.
    enum Mode {
        kNone = 0,
        kUdpServer = 1,
        kUdpClient = 2,
        kTcpSingleClientServer = 3,
        kTcpClient = 4,
    };

    LB_Socket();
    ~LB_Socket() override;

    // Bytes sent, or 0 when the socket is not open or the send failed.
    int send(const char* buffer, int length, int flags) override;
    // Bytes received; 0 when nothing is waiting or the peer has closed (see
    // peerClosed()); -1 on error, on a receive time-out and after abort().
    // Wait flag: 0 does not block, 2 follows the blocking flag given at
    // open, anything else blocks.
    int receive(char* buffer, int length, int wait) override;

    // Each open returns 1, or 0 on failure; an open socket is closed first.
    virtual int openUdpClient(const char* host, int port, int blocking);
    virtual int openUdpServer(int port, int blocking);
    virtual int openTcpClient(const char* host, int port, int blocking);
    // Without a handler: waits for one client (not at all when blocking is
    // 0). With one: starts the listener, on a new thread when blocking is 0,
    // else on the calling thread, which then stays in the loop until
    // stopListening() from another thread; a loop still running is waited
    // for first.
    virtual int openTcpServer(int port, int blocking, LB_ClientHandler handler, void* userData);
    // Ends the listener and every client thread, closes all sockets. The
    // mode stays.
    virtual void close();
    // Returns once the listener loop has ended. Any thread.
    virtual void stopListening();
    // Closes, then opens again as the mode says; 1 or 0.
    virtual int reconnect();
    virtual bool isOpen() const { return open_; }

    // Time-outs for the TCP connect and for blocking receives, in
    // milliseconds; 0 or below waits without limit (the default). They last
    // for every later open and reconnect.
    void setTimeouts(int connectMs, int receiveMs);
    // The local address servers bind to; the any-address by default. False
    // (nothing changed) for a text that is not a dotted address.
    bool setLocalAddress(const char* dottedAddress);
    // Cancels a connect, accept or receive blocked on another thread and
    // makes every later open fail: the object is done. Any thread.
    void abort();

    int mode() const { return mode_; }
    // The remote port of a client; the local port of a server, the one the
    // system chose when it was opened with port 0.
    int port() const;

private:
    friend class LB_SSubSocket;

    int openClient(int type, const char* host, int port, int blocking);
    bool resolveHost(int type, const char* host, in_addr* address);
    bool connectData(int type);
    bool bindUdpServer();
    int openSingleClientServer();
    int failSingleClientServer(int listening);
    int startListener(int blocking, LB_ClientHandler handler, void* userData);
    int openListening();
    void blockLoopNlisten(int listening);
    void refuseClient(int client, const sockaddr_in& peer);
    void serveClient(int client, const sockaddr_in& peer);
    void endListener();
    void endClients();
    int failReceive();

    bool publish(int* field, int socket);
    // A new socket of the type, published in field; kNoSocket (nothing left
    // open) when it cannot be made or the object was aborted.
    int openInto(int* field, int type);
    void closeField(int* field);

    int dataSocket_;
    std::thread listenerThread_;
    int listenSocket_;
    LB_ClientList clients_;
    LB_ClientHandler handler_ = nullptr;
    void* userData_ = nullptr;
    bool open_ = false;
    int mode_ = kNone;
    sockaddr_in address_{};
    int blocking_ = 0;
    std::atomic<bool> serving_{true};
    std::atomic<bool> stopRequested_{false};

    // The listening socket of a single-client open while it waits, so that
    // abort() can wake it.
    int acceptSocket_;
    in_addr localAddress_{};
    int connectTimeoutMs_ = 0;
    int receiveTimeoutMs_ = 0;
    std::atomic<bool> aborted_{false};
    bool libraryUser_ = false;
    // Guards the socket handles against abort() and stopListening() from
    // other threads, so they never act on a number already closed and reused.
    std::mutex socketsGuard_;
    // Guards the listener's thread handle: stopListening() on a handler's
    // thread and close() on the owner's may both come to join it.
    std::mutex listenerGuard_;
};
