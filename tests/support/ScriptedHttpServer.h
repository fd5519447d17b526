#pragma once

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace testsupport {

// A web server on 127.0.0.1 (a port the system picks) answering connections one at a time by
// a script, on a thread of its own: it reads the request up to its blank line, calls the script
// with the connection's socket, then closes it. Owns its sockets and thread; the other calls
// are safe from any thread.
class ScriptedHttpServer {
public:
    // `number` counts connections from 1; `stopping` turns true when the server goes.
    using Script = std::function<void(int client, int number, const std::string& request,
                                      const std::atomic<bool>& stopping)>;

    explicit ScriptedHttpServer(Script script);
    ~ScriptedHttpServer();
    ScriptedHttpServer(const ScriptedHttpServer&) = delete;
    ScriptedHttpServer& operator=(const ScriptedHttpServer&) = delete;

    // 0 when the server could not listen.
    int port() const { return port_; }
    int accepted() const { return accepted_; }
    int answered() const { return answered_; }
    // The requests read so far, in order.
    std::vector<std::string> requests();

    // Writes all the bytes (false when the peer went).
    static bool writeAll(int client, const std::string& bytes);

private:
    void serve();

    Script script_;
    int listener_ = -1;
    int port_ = 0;
    std::atomic<bool> stopping_{false};
    std::atomic<int> accepted_{0};
    std::atomic<int> answered_{0};
    std::mutex mutex_;
    std::vector<std::string> requests_;
    std::thread thread_;
};

// nginx (through scripts/web-server) serving a folder on 127.0.0.1:port, its state in
// `scratch`; stopped again when the object goes.
class WebServer {
public:
    WebServer(const std::string& root, int port, const std::string& scratch);
    ~WebServer();
    WebServer(const WebServer&) = delete;
    WebServer& operator=(const WebServer&) = delete;

    bool started() const { return started_; }
    // Requests logged so far (lines of the access log).
    int requestCount() const;

private:
    std::string scratch_;
    bool started_ = false;
};

} // namespace testsupport
