#pragma once

#include "inputs/PacketQueue.h"
#include "platform/Mutex.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

struct msghdr;

namespace inputs {

// A socket joined to one multicast group, the thread that receives its
// datagrams, and a two-sided queue: the thread pushes into the back side, the
// main thread swaps the sides once per cycle and reads the front side.
//
// The thread only receives and queues; it never touches node records. It
// takes the datagrams waiting at the socket in batches, and the lock once for
// each batch and for the swap. The receive path allocates nothing per
// datagram. A datagram that does not fit a slot is cut to
// bytesPerBuffer - 1 characters; datagrams arriving while the back side is
// full are dropped until the next swap.
//
// start, stop, swap and pop are called on the main thread. The wake callback
// runs on the receiver thread each time the back side goes from empty to
// non-empty (not once per packet).
class PacketReceiver {
public:
    using WakeCallback = std::function<void()>;

    PacketReceiver(const std::string& groupAddress, int32_t port, int32_t bytesPerBuffer,
                   int32_t buffersPerPort, WakeCallback packetsWaiting);
    virtual ~PacketReceiver();

    PacketReceiver(const PacketReceiver&) = delete;
    PacketReceiver& operator=(const PacketReceiver&) = delete;

    // Opens the socket (reusable address, bound to any address at the port,
    // joined to the group on any interface) and starts the thread. Returns
    // false, with no thread, when the socket cannot be set up.
    bool start();
    // Ends the thread in order: stop flag, shutdown of the socket (which
    // wakes a blocked receive), join. The lock is not held while joining.
    void stop();
    bool running() const { return thread_.joinable(); }
    // The socket's receive buffer as the system granted it (it counts its
    // own bookkeeping in, about twice what was asked); 0 before start.
    // Main thread.
    int receiveBufferBytes() const;

    void swap();
    char* pop() { return front_->pop(); }

    // Puts one datagram, or several, into the back side, taking the lock
    // once; used by the thread, public so that the queue discipline can be
    // driven without a network.
    void push(const char* text, size_t length);
    void pushAll(const char* const* texts, const size_t* lengths, size_t count);

    // The thread takes up to this many datagrams from the socket in one call,
    // fewer when they are large: the batch's buffers stay within kBatchBytes.
    static constexpr size_t kMostPerBatch = 64;
    static constexpr size_t kBatchBytes = 256 * 1024;
    static size_t batchSize(int32_t bytesPerBuffer);

    // The memory both queue sides of a receiver with these sizes take.
    static int64_t queueBytes(int32_t bytesPerBuffer, int32_t buffersPerPort) {
        return static_cast<int64_t>(bytesPerBuffer) * buffersPerPort * 2;
    }

    int32_t bytesPerBuffer() const { return bytesPerBuffer_; }
    int32_t buffersPerPort() const { return buffersPerPort_; }
    // Datagrams pushed since construction, and those of them dropped because
    // the back side was full. Any thread.
    uint64_t receivedCount() const { return received_.load(); }
    uint64_t droppedCount() const { return dropped_.load(); }
    // Datagrams the system dropped before this receiver could take them (its
    // socket's receive buffer was full), as the last datagram received tells
    // (the system says so with each datagram that follows a drop). Any thread.
    uint64_t kernelDroppedCount() const { return kernelDroppedBefore_ + kernelDropped_.load(); }

    struct Counts {
        uint64_t received = 0;
        uint64_t dropped = 0;
        uint64_t kernelDropped = 0;
    };
    Counts counts() const { return {receivedCount(), droppedCount(), kernelDroppedCount()}; }
    // Adds the counts of the receiver this one replaces (the ports are
    // rebuilt when their sizes change), so they cover the whole run. Call
    // before start.
    void carryCounts(const Counts& earlier);

private:
    bool openSocket();
    void threadMain();
    void pauseAfterFailure();
    void noteKernelDrops(msghdr& message);
    struct Batch;

    std::unique_ptr<PacketQueue> front_;
    std::unique_ptr<PacketQueue> back_;
    std::string groupAddress_;
    int32_t port_;
    int32_t bytesPerBuffer_;
    int32_t buffersPerPort_;
    WakeCallback packetsWaiting_;
    platform::Mutex lock_;
    std::thread thread_;
    int socket_ = -1;
    std::atomic<bool> stopRequested_{false};
    std::atomic<uint64_t> received_{0};
    std::atomic<uint64_t> dropped_{0};
    std::atomic<uint32_t> kernelDropped_{0}; // the socket's own count
    uint64_t kernelDroppedBefore_ = 0;       // of the receivers this one replaced
    std::mutex pauseMutex_;
    std::condition_variable pauseWake_;
};

} // namespace inputs
