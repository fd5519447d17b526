#include "inputs/StateFetch.h"

#include "inputs/LineReader.h"
#include "inputs/StateBlock.h"
#include "net/LB_Socket.h"

#include <cctype>

namespace inputs {
namespace {

bool safeText(const std::string& text) {
    if (text.empty()) {
        return false;
    }
    for (const char c : text) {
        const unsigned char u = static_cast<unsigned char>(c);
        if (std::iscntrl(u) || std::isspace(u)) {
            return false;
        }
    }
    return true;
}

} // namespace

StateFetch::StateFetch() = default;

StateFetch::~StateFetch() {
    cancel();
    deadline_.cancel();
}

void StateFetch::setTimeouts(int connectMs, int receiveMs, int deadlineMs) {
    connectMs_ = connectMs;
    receiveMs_ = receiveMs;
    deadlineMs_ = deadlineMs;
}

std::string StateFetch::request(const std::string& host, int port, const std::string& path) {
    if (!safeText(host) || !safeText(path)) {
        return {};
    }
    std::string text = "GET " + path + " HTTP/1.0\r\nHost: " + host;
    if (port != 80) {
        text += ":" + std::to_string(port);
    }
    text += "\r\n\r\n";
    if (text.size() + 1 > kRequestSize) {
        return {};
    }
    return text;
}

void StateFetch::abortActive() {
    std::lock_guard<std::mutex> lock(guard_);
    if (active_ != nullptr) {
        active_->abort();
    }
}

void StateFetch::cancel() {
    std::lock_guard<std::mutex> lock(guard_);
    cancelled_ = true;
    if (active_ != nullptr) {
        active_->abort();
    }
}

bool StateFetch::fetch(const std::string& host, int port, const std::string& path,
                       std::vector<std::string>& lines) {
    lines.clear();
    const std::string text = request(host, port, path);
    if (text.empty()) {
        return false;
    }
    LB_Socket socket;
    socket.setTimeouts(connectMs_, receiveMs_);
    {
        std::lock_guard<std::mutex> lock(guard_);
        if (cancelled_) {
            return false;
        }
        active_ = &socket;
    }
    deadline_.arm(deadlineMs_, [this] { abortActive(); });
    const bool connected = socket.openTcpClient(host.c_str(), port, 1) == 1;
    if (connected) {
        socket.send(text.c_str(), static_cast<int>(text.size()), 0);
        readBlock(socket, lines);
    }
    deadline_.disarm();
    {
        // After this no deadline or cancel can reach the socket.
        std::lock_guard<std::mutex> lock(guard_);
        active_ = nullptr;
    }
    socket.close();
    return connected;
}

void StateFetch::readBlock(LB_SubSocket& socket, std::vector<std::string>& lines) {
    LineReader reader;
    reader.reset();
    StateBlock block;
    char line[kLineChars + 1];
    while (lines.size() < kMaxLines && reader.readLine(line, sizeof line, socket) != nullptr) {
        const StateBlock::Step step = block.take(line);
        if (step == StateBlock::kEnded) {
            break;
        }
        if (step == StateBlock::kRecord) {
            lines.emplace_back(line);
        }
    }
}

} // namespace inputs
