// End-to-end loss of position datagrams: fleet-sim sends at a fixed total
// rate into one multicast port whose queue has 2000 buffers, the node table
// drains it as the display's loop does (at least at 60 Hz, and at once when
// the receiver says datagrams are waiting), and a bare receive loop on the
// same group counts what the kernel delivered, for comparison.
//
// Sends multicast: run it in a private network namespace,
//   scripts/in-netns build/bench/bench_multicast_loss build/tools/fleet-sim/fleet-sim [rate...]
#include "inputs/MulticastPort.h"
#include "nodes/NodeTable.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr const char* kGroup = "239.255.77.1";
constexpr int kPort = 24077;
constexpr int kBuffers = 2000;
constexpr int kBytes = 250;
constexpr int kSeconds = 10;

// Counts datagrams on its own socket, as fast as the kernel hands them over.
class BareReceiver {
public:
    BareReceiver() {
        fd_ = ::socket(AF_INET, SOCK_DGRAM, 0);
        const int yes = 1;
        setsockopt(fd_, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
        const int size = kBytes * kBuffers * 2;
        setsockopt(fd_, SOL_SOCKET, SO_RCVBUF, &size, sizeof size);
        sockaddr_in local{};
        local.sin_family = AF_INET;
        local.sin_port = htons(kPort);
        bind(fd_, reinterpret_cast<sockaddr*>(&local), sizeof local);
        ip_mreq membership{};
        inet_pton(AF_INET, kGroup, &membership.imr_multiaddr);
        setsockopt(fd_, IPPROTO_IP, IP_ADD_MEMBERSHIP, &membership, sizeof membership);
        thread_ = std::thread([this] { loop(); });
    }
    ~BareReceiver() {
        stop_ = true;
        ::shutdown(fd_, SHUT_RDWR);
        thread_.join();
        ::close(fd_);
    }
    uint64_t count() const { return count_.load(); }

private:
    void loop() {
        char buffer[kBytes];
        while (!stop_) {
            if (::recv(fd_, buffer, sizeof buffer, 0) > 0) {
                count_.fetch_add(1, std::memory_order_relaxed);
            }
        }
    }
    int fd_ = -1;
    std::atomic<bool> stop_{false};
    std::atomic<uint64_t> count_{0};
    std::thread thread_;
};

pid_t startSimulator(const std::string& program, int rate, const std::string& summaryPath) {
    std::fflush(stdout); // or the child would write our buffered lines again
    const pid_t child = fork();
    if (child != 0) {
        return child;
    }
    std::freopen(summaryPath.c_str(), "w", stdout);
    const std::string rateText = std::to_string(rate);
    const std::string portText = std::to_string(kPort);
    const std::string duration = std::to_string(kSeconds);
    execl(program.c_str(), program.c_str(), "--group", kGroup, "--port", portText.c_str(), "--ids",
          "0-999", "--total-rate", rateText.c_str(), "--duration", duration.c_str(), "--seed", "1",
          "--silent-fraction", "0", static_cast<char*>(nullptr));
    std::_Exit(127);
}

uint64_t sentCount(const std::string& summaryPath) {
    std::ifstream in(summaryPath);
    std::string word;
    while (in >> word) {
        if (word == "sent") {
            uint64_t count = 0;
            in >> count;
            return count;
        }
    }
    return 0;
}

void runAt(const std::string& simulator, int rate, const std::filesystem::path& folder) {
    const std::string nodes = (folder / "nodes.txt").string();
    {
        std::ofstream out(nodes);
        for (int id = 0; id < 1000; ++id) {
            out << id << " Vehicle " << id << "\n";
        }
    }
    const std::string ports = (folder / "ports.txt").string();
    std::ofstream(ports) << "fleet " << kGroup << " " << kPort << "\n";

    nodes::NodeTable table(kBytes, kBuffers);
    // The display's loop wakes when a queue goes from empty to non-empty.
    std::mutex wakeMutex;
    std::condition_variable wake;
    bool waiting = false;
    table.setPacketsWaitingCallback([&] {
        std::lock_guard<std::mutex> lock(wakeMutex);
        waiting = true;
        wake.notify_one();
    });
    table.loadNodeFile(nodes.c_str());
    table.loadPortFile(ports.c_str());
    table.startPorts();
    BareReceiver bare;

    const std::string summary = (folder / "summary.txt").string();
    const pid_t child = startSimulator(simulator, rate, summary);
    uint64_t applied = 0;
    uint64_t passes = 0;
    auto next = std::chrono::steady_clock::now();
    int status = 0;
    while (waitpid(child, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() >= next) {
            next += std::chrono::microseconds(16667);
        }
        {
            std::unique_lock<std::mutex> lock(wakeMutex);
            wake.wait_until(lock, next, [&] { return waiting; });
            waiting = false;
        }
        applied += static_cast<uint64_t>(table.processPorts());
        ++passes;
    }
    // Let the last datagrams arrive, then drain.
    for (int i = 0; i < 30; ++i) {
        std::this_thread::sleep_for(std::chrono::microseconds(16667));
        applied += static_cast<uint64_t>(table.processPorts());
    }
    const inputs::PacketReceiver& receiver = table.portAt(0)->receiver();
    const uint64_t sent = sentCount(summary);
    const uint64_t received = receiver.receivedCount();
    const uint64_t dropped = receiver.droppedCount();
    std::printf("rate %6d/s for %d s: sent %8llu, bare loop received %8llu (lost %llu); "
                "port received %8llu, queue dropped %llu, lost in all %llu; applied %llu "
                "in %llu passes\n",
                rate, kSeconds, static_cast<unsigned long long>(sent),
                static_cast<unsigned long long>(bare.count()),
                static_cast<unsigned long long>(sent - std::min(sent, bare.count())),
                static_cast<unsigned long long>(received), static_cast<unsigned long long>(dropped),
                static_cast<unsigned long long>(sent - std::min(sent, received - dropped)),
                static_cast<unsigned long long>(applied), static_cast<unsigned long long>(passes));
    table.stopPorts();
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s FLEET_SIM [RATE...]   (run inside scripts/in-netns)\n",
                     argv[0]);
        return 2;
    }
    setenv("TZ", "UTC", 1);
    tzset();
    std::vector<int> rates;
    for (int i = 2; i < argc; ++i) {
        rates.push_back(std::atoi(argv[i]));
    }
    if (rates.empty()) {
        rates = {20000, 100000};
    }
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("tarnell-loss-" + std::to_string(getpid()));
    std::filesystem::create_directories(folder);
    for (const int rate : rates) {
        runAt(argv[1], rate, folder);
    }
    std::filesystem::remove_all(folder);
    return 0;
}
