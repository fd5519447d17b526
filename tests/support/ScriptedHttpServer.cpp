#include "tests/support/ScriptedHttpServer.h"

#include "tests/support/ChildProcess.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <iterator>

namespace testsupport {
namespace {

std::string readRequest(int client) {
    std::string request;
    char buffer[512];
    for (pollfd ready{client, POLLIN, 0}; request.find("\r\n\r\n") == std::string::npos;) {
        const ssize_t got = poll(&ready, 1, 2000) > 0 ? recv(client, buffer, sizeof buffer, 0) : 0;
        if (got <= 0) {
            break;
        }
        request.append(buffer, static_cast<size_t>(got));
    }
    return request;
}

} // namespace

ScriptedHttpServer::ScriptedHttpServer(Script script) : script_(std::move(script)) {
    listener_ = socket(AF_INET, SOCK_STREAM, 0);
    const int on = 1;
    setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in address{AF_INET, 0, {htonl(INADDR_LOOPBACK)}, {}};
    socklen_t length = sizeof address;
    if (bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        listen(listener_, 4) == 0 &&
        getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
        port_ = ntohs(address.sin_port);
    }
    thread_ = std::thread([this] { serve(); });
}

ScriptedHttpServer::~ScriptedHttpServer() {
    stopping_ = true;
    thread_.join();
    close(listener_);
}

std::vector<std::string> ScriptedHttpServer::requests() {
    std::lock_guard<std::mutex> lock(mutex_);
    return requests_;
}

bool ScriptedHttpServer::writeAll(int client, const std::string& bytes) {
    ssize_t put = 0;
    for (size_t done = 0; done < bytes.size(); done += static_cast<size_t>(put)) {
        put = send(client, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
        if (put <= 0) {
            return false;
        }
    }
    return true;
}

void ScriptedHttpServer::serve() {
    while (!stopping_) {
        pollfd ready{listener_, POLLIN, 0};
        const int client = poll(&ready, 1, 50) > 0 ? accept(listener_, nullptr, nullptr) : -1;
        if (client < 0) {
            continue;
        }
        const int number = ++accepted_;
        const std::string request = readRequest(client);
        {
            std::lock_guard<std::mutex> lock(mutex_);
            requests_.push_back(request);
        }
        script_(client, number, request, stopping_);
        close(client);
        ++answered_;
    }
}

WebServer::WebServer(const std::string& root, int port, const std::string& scratch)
    : scratch_(scratch),
      started_(ChildProcess::run(WEB_SERVER_PATH, {"start", root, std::to_string(port), scratch})
                   .status == 0) {}

WebServer::~WebServer() {
    if (started_) {
        ChildProcess::run(WEB_SERVER_PATH, {"stop", scratch_});
    }
}

int WebServer::requestCount() const {
    std::ifstream log(scratch_ + "/access.log");
    return static_cast<int>(
        std::count(std::istreambuf_iterator<char>(log), std::istreambuf_iterator<char>(), '\n'));
}

} // namespace testsupport
