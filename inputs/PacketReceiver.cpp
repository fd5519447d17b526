#include "inputs/PacketReceiver.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <vector>

namespace inputs {
namespace {

// A receive that keeps failing (the network went away, memory ran short)
// waits this long before it tries again instead of spinning.
constexpr auto kFailurePause = std::chrono::milliseconds(100);

} // namespace

PacketReceiver::PacketReceiver(const std::string& groupAddress, int32_t port,
                               int32_t bytesPerBuffer, int32_t buffersPerPort,
                               WakeCallback packetsWaiting)
    : front_(std::make_unique<PacketQueue>(bytesPerBuffer, buffersPerPort)),
      back_(std::make_unique<PacketQueue>(bytesPerBuffer, buffersPerPort)),
      groupAddress_(groupAddress), port_(port), bytesPerBuffer_(front_->slotSize()),
      buffersPerPort_(front_->capacity()), packetsWaiting_(std::move(packetsWaiting)) {}

PacketReceiver::~PacketReceiver() {
    stop();
}

bool PacketReceiver::openSocket() {
    in_addr group{};
    if (port_ < 0 || port_ > 65535 || inet_pton(AF_INET, groupAddress_.c_str(), &group) != 1) {
        return false;
    }
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return false;
    }
    // Several displays on one host receive the same group.
    const int yes = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    // Only the group this port joined: a socket bound to any address would
    // otherwise also get every other group some other program joined on the
    // same port number.
    const int no = 0;
    setsockopt(fd, IPPROTO_IP, IP_MULTICAST_ALL, &no, sizeof no);
    // Each datagram then carries the socket's count of datagrams the system
    // dropped for want of room, so that loss before the queue is seen too.
    setsockopt(fd, SOL_SOCKET, SO_RXQ_OVFL, &yes, sizeof yes);
    // Room for both queue sides in the kernel too, so a burst between two
    // swaps is not lost there; the kernel may cap it.
    const int64_t wanted = queueBytes(bytesPerBuffer_, buffersPerPort_);
    const int receiveBuffer = wanted > (1 << 30) ? (1 << 30) : static_cast<int>(wanted);
    setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &receiveBuffer, sizeof receiveBuffer);

    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_addr.s_addr = htonl(INADDR_ANY);
    local.sin_port = htons(static_cast<uint16_t>(port_));
    ip_mreq membership{};
    membership.imr_multiaddr = group;
    membership.imr_interface.s_addr = htonl(INADDR_ANY);
    if (bind(fd, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0 ||
        setsockopt(fd, IPPROTO_IP, IP_ADD_MEMBERSHIP, &membership, sizeof membership) != 0) {
        ::close(fd);
        return false;
    }
    socket_ = fd;
    return true;
}

bool PacketReceiver::start() {
    if (thread_.joinable()) {
        return true;
    }
    if (!openSocket()) {
        return false;
    }
    stopRequested_ = false;
    thread_ = std::thread(&PacketReceiver::threadMain, this);
    return true;
}

void PacketReceiver::stop() {
    if (!thread_.joinable()) {
        return;
    }
    stopRequested_ = true;
    ::shutdown(socket_, SHUT_RDWR);
    {
        std::lock_guard<std::mutex> guard(pauseMutex_);
        pauseWake_.notify_all();
    }
    thread_.join();
    ::close(socket_);
    socket_ = -1;
}

void PacketReceiver::swap() {
    std::lock_guard<platform::Mutex> guard(lock_);
    std::swap(front_, back_);
    front_->rewind();
    back_->clear();
}

void PacketReceiver::push(const char* text, size_t length) {
    bool queued = false;
    bool becameNonEmpty = false;
    {
        std::lock_guard<platform::Mutex> guard(lock_);
        queued = back_->push(text, length);
        becameNonEmpty = queued && back_->count() == 1;
    }
    if (!queued) {
        dropped_.fetch_add(1);
    }
    received_.fetch_add(1);
    if (becameNonEmpty && packetsWaiting_) {
        packetsWaiting_();
    }
}

void PacketReceiver::pauseAfterFailure() {
    std::unique_lock<std::mutex> lock(pauseMutex_);
    pauseWake_.wait_for(lock, kFailurePause, [this] { return stopRequested_.load(); });
}

void PacketReceiver::carryCounts(const Counts& earlier) {
    received_.fetch_add(earlier.received);
    dropped_.fetch_add(earlier.dropped);
    kernelDroppedBefore_ += earlier.kernelDropped;
}

void PacketReceiver::noteKernelDrops(msghdr& message) {
    for (cmsghdr* c = CMSG_FIRSTHDR(&message); c != nullptr; c = CMSG_NXTHDR(&message, c)) {
        if (c->cmsg_level == SOL_SOCKET && c->cmsg_type == SO_RXQ_OVFL) {
            uint32_t drops = 0;
            std::memcpy(&drops, CMSG_DATA(c), sizeof drops);
            kernelDropped_.store(drops);
        }
    }
}

void PacketReceiver::threadMain() {
    std::vector<char> buffer(static_cast<size_t>(bytesPerBuffer_), '\0');
    iovec data{buffer.data(), buffer.size()};
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(uint32_t))];
    msghdr message{};
    message.msg_iov = &data;
    message.msg_iovlen = 1;
    while (!stopRequested_) {
        message.msg_control = control;
        message.msg_controllen = sizeof control;
        // A datagram longer than the buffer arrives cut to the buffer's size;
        // one that fills it loses its last character to the terminator.
        const ssize_t n = ::recvmsg(socket_, &message, 0);
        if (stopRequested_) {
            break;
        }
        if (n < 0) {
            if (errno != EINTR) {
                pauseAfterFailure();
            }
            continue;
        }
        noteKernelDrops(message);
        const size_t length =
            static_cast<size_t>(n) < buffer.size() ? static_cast<size_t>(n) : buffer.size() - 1;
        push(buffer.data(), length);
    }
}

} // namespace inputs
