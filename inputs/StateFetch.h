#pragma once

#include "inputs/StateRecord.h"
#include "platform/OneShotTimer.h"

#include <cstddef>
#include <mutex>
#include <string>
#include <vector>

class LB_Socket;
class LB_SubSocket;

namespace inputs {

// Fetches a state file from a web server with an HTTP/1.0 GET and returns
// the record lines of its block; applying them is the node table's job, on
// the thread that owns the table. The status line and headers are not looked
// at: whatever comes before the opening marker is skipped.
//
// A fetch never hangs: the connect and every receive give up after their
// time-outs (5 s each), and the whole fetch after its deadline (10 s), so a
// server that never answers or trickles cannot hold up the poll or the
// shutdown. cancel() ends a fetch in progress from another thread and refuses
// every later one.
//
// fetch runs on one thread at a time (the remote poll's); cancel on any.
class StateFetch {
public:
    static constexpr int kLineChars = static_cast<int>(StateRecord::kMaxLineChars);
    static constexpr size_t kRequestSize = 256; // the request with its terminator
    // More record lines than any table can hold (ids 0 to 1000) end the
    // reading, so a server that sends without end cannot eat the memory.
    static constexpr size_t kMaxLines = 10000;

    StateFetch();
    ~StateFetch();
    StateFetch(const StateFetch&) = delete;
    StateFetch& operator=(const StateFetch&) = delete;

    void setTimeouts(int connectMs, int receiveMs, int deadlineMs);

    // False when there is no request to make (see request()), when the fetch
    // was cancelled, or when the connection could not be opened; then lines
    // is empty. True otherwise, with the record lines read before the closing
    // marker, the end of the data, a failure or the deadline.
    bool fetch(const std::string& host, int port, const std::string& path,
               std::vector<std::string>& lines);
    void cancel();

    // "GET <path> HTTP/1.0\r\nHost: <host>[:<port>]\r\n\r\n", or "" when it
    // would not fit 256 bytes or host or path hold white space or control
    // characters (which would break the request or smuggle in headers).
    static std::string request(const std::string& host, int port, const std::string& path);

    // Reads a response from a connected socket: the record lines of its block, in order, until
    // the closing marker, the end of the data, a failed receive or kMaxLines lines. Lines are
    // read in pieces of kLineChars characters. Whatever the peer sends; the thread that owns the
    // socket.
    static void readBlock(LB_SubSocket& socket, std::vector<std::string>& lines);

private:
    void abortActive();

    int connectMs_ = 5000;
    int receiveMs_ = 5000;
    int deadlineMs_ = 10000;
    std::mutex guard_;
    LB_Socket* active_ = nullptr;
    bool cancelled_ = false;
    platform::OneShotTimer deadline_;
};

} // namespace inputs
