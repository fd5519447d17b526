#include "inputs/PacketReceiver.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
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
    // Room for both queue sides in the kernel too, so that a burst, or a
    // moment in which this thread does not run, is not lost there. The system
    // caps what anyone may ask for (net.core.rmem_max, 208 KiB by default, a
    // few hundred datagrams); a process that may exceed the cap (root, or
    // CAP_NET_ADMIN) gets the whole size.
    const int64_t wanted = queueBytes(bytesPerBuffer_, buffersPerPort_);
    const int receiveBuffer = wanted > (1 << 30) ? (1 << 30) : static_cast<int>(wanted);
    if (setsockopt(fd, SOL_SOCKET, SO_RCVBUFFORCE, &receiveBuffer, sizeof receiveBuffer) != 0) {
        setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &receiveBuffer, sizeof receiveBuffer);
    }

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

int PacketReceiver::receiveBufferBytes() const {
    int bytes = 0;
    socklen_t length = sizeof bytes;
    if (socket_ < 0 || getsockopt(socket_, SOL_SOCKET, SO_RCVBUF, &bytes, &length) != 0) {
        return 0;
    }
    return bytes;
}

void PacketReceiver::swap() {
    std::lock_guard<platform::Mutex> guard(lock_);
    std::swap(front_, back_);
    front_->rewind();
    back_->clear();
}

void PacketReceiver::push(const char* text, size_t length) {
    pushAll(&text, &length, 1);
}

void PacketReceiver::pushAll(const char* const* texts, const size_t* lengths, size_t count) {
    if (count == 0) {
        return;
    }
    uint64_t dropped = 0;
    bool becameNonEmpty = false;
    {
        std::lock_guard<platform::Mutex> guard(lock_);
        const bool wasEmpty = back_->count() == 0;
        for (size_t i = 0; i < count; ++i) {
            dropped += back_->push(texts[i], lengths[i]) ? 0 : 1;
        }
        becameNonEmpty = wasEmpty && back_->count() > 0;
    }
    if (dropped > 0) {
        dropped_.fetch_add(dropped);
    }
    received_.fetch_add(count);
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

// Everything a receiver thread needs, allocated once: the buffers of one
// batch of datagrams, with room for the system's drop count beside each.
struct PacketReceiver::Batch {
    Batch(size_t datagrams, size_t bytes)
        : bytesPerBuffer(bytes), storage(datagrams * bytes), parts(datagrams),
          control(datagrams * kControlBytes), messages(datagrams), texts(datagrams),
          lengths(datagrams) {
        for (size_t i = 0; i < datagrams; ++i) {
            parts[i] = {storage.data() + i * bytes, bytes};
            messages[i].msg_hdr.msg_iov = &parts[i];
            messages[i].msg_hdr.msg_iovlen = 1;
            texts[i] = storage.data() + i * bytes;
        }
    }
    // The control buffers are used again for every batch.
    void rearm() {
        for (size_t i = 0; i < messages.size(); ++i) {
            messages[i].msg_hdr.msg_control = control.data() + i * kControlBytes;
            messages[i].msg_hdr.msg_controllen = kControlBytes;
        }
    }

    static constexpr size_t kControlBytes = CMSG_SPACE(sizeof(uint32_t));
    size_t bytesPerBuffer;
    std::vector<char> storage;
    std::vector<iovec> parts;
    std::vector<char> control; // cmsghdr-aligned: CMSG_SPACE keeps every start aligned
    std::vector<mmsghdr> messages;
    std::vector<const char*> texts;
    std::vector<size_t> lengths;
};

size_t PacketReceiver::batchSize(int32_t bytesPerBuffer) {
    const size_t fits = kBatchBytes / static_cast<size_t>(bytesPerBuffer > 0 ? bytesPerBuffer : 1);
    return std::clamp<size_t>(fits, 1, kMostPerBatch);
}

void PacketReceiver::threadMain() {
    Batch batch(batchSize(bytesPerBuffer_), static_cast<size_t>(bytesPerBuffer_));
    while (!stopRequested_) {
        batch.rearm();
        // Waits for one datagram, then takes those already waiting behind it:
        // one call and one lock for a burst rather than one per datagram.
        const int n =
            ::recvmmsg(socket_, batch.messages.data(), static_cast<unsigned>(batch.messages.size()),
                       MSG_WAITFORONE, nullptr);
        if (stopRequested_) {
            break;
        }
        if (n < 0) {
            if (errno != EINTR) {
                pauseAfterFailure();
            }
            continue;
        }
        for (int i = 0; i < n; ++i) {
            noteKernelDrops(batch.messages[static_cast<size_t>(i)].msg_hdr);
            // A datagram longer than the buffer arrives cut to the buffer's
            // size; one that fills it loses its last character to the
            // terminator.
            const size_t received = batch.messages[static_cast<size_t>(i)].msg_len;
            batch.lengths[static_cast<size_t>(i)] =
                received < batch.bytesPerBuffer ? received : batch.bytesPerBuffer - 1;
        }
        pushAll(batch.texts.data(), batch.lengths.data(), static_cast<size_t>(n));
    }
}

} // namespace inputs
