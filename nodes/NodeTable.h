#pragma once

#include "nodes/NodeRecord.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace inputs {
class MulticastPort;
}

namespace nodes {

// Owner of every NodeRecord and every MulticastPort. Loads the node list from the node file, finds
// records by identifier and by position, adds records for identifiers that
// arrive in state records but are not in the node file ("Added Late"), hands
// the idle limits to the records, and keeps the ten nodes closest to a chosen
// one.
//
// Records live in load order: the node file's records in file order, then the
// late records in order of addition; recordAt walks them. Identifiers run from
// 0 to 1000; negative ones never index anything.
//
// The port side loads the multicast port file (one MulticastPort per group),
// starts and stops the receiver threads and drains their queues through the
// packet parser into the records.
//
// Main thread only: the table has no lock of its own. Records carry their own
// locks (see NodeRecord); receiver threads touch only their own queues.
// Failures are reported by the results (false, null).
class NodeTable {
public:
    static constexpr int32_t kMaxId = 1000;
    static constexpr int kCloseNodeCount = 10;

    NodeTable(int32_t bytesPerBuffer, int32_t buffersPerPort);
    virtual ~NodeTable();

    NodeTable(const NodeTable&) = delete;
    NodeTable& operator=(const NodeTable&) = delete;

    // Replaces the node list with the file's; true when a list is loaded
    // afterwards. A null path, a file that cannot be opened or one without a
    // single accepted line leaves the table empty.
    bool loadNodeFile(const char* path);
    bool unloadNodes();

    // The record for id, existing or new (named "Added Late", with the table's
    // idle limits); null for an id outside 0 to 1000.
    NodeRecord* addLateNode(int32_t id);
    NodeRecord* recordAt(int64_t position) const;
    NodeRecord* findById(int64_t id) const;

    uint32_t fileNodeCount() const { return fileNodeCount_; }
    uint32_t lateNodeCount() const { return lateNodeCount_; }
    uint32_t maxId() const { return maxId_; }
    bool nodesLoaded() const { return nodesLoaded_; }
    const std::string& nodeFilePath() const { return nodeFilePath_; }

    // Limits in seconds; stored as absolute milliseconds and copied into every
    // record. A limit that is not a number leaves that limit as it was.
    void setIdleLimits(double mediumSeconds, double badSeconds);
    int32_t mediumIdleMs() const { return mediumIdleMs_; }
    int32_t badIdleMs() const { return badIdleMs_; }

    // The time span of the records' trails, in seconds, copied into every record and given to
    // records made later. 0 (the start), a negative span or one that is not a number keeps no
    // trail; a span above kMaxTrailSeconds is taken as that.
    static constexpr double kMaxTrailSeconds = 86400.0;
    void setTrailSpan(double seconds);
    int64_t trailSpanMs() const { return trailSpanMs_; }

    // Rebuilds the list of the ten node-file records nearest to the record of
    // referenceId (planar distance in degrees), leaving out excludedId; equal
    // distances keep table order. An unknown or negative reference empties it.
    void updateCloseNodes(int32_t referenceId, int32_t excludedId);
    NodeRecord* closeNode(int position) const;

    // Port side.
    static constexpr int32_t kMaxBytesPerBuffer = 65536; // no datagram is larger

    // Called on a receiver thread when its queue goes from empty to
    // non-empty, so a loop blocked waiting for events wakes up. Ports take the
    // callback when they are made: set it before loadPortFile.
    void setPacketsWaitingCallback(std::function<void()> callback);
    // Replaces the ports with the file's (not started); true when ports are
    // loaded afterwards.
    bool loadPortFile(const char* path);
    bool unloadPorts();
    void startPorts();
    void stopPorts();
    // Drains every running port's queue into the records; returns the number
    // of reports the records took.
    int processPorts();

    // What both queue sides of one port may take. A fleet needs far less (75
    // buffers of 250 bytes take 37 500 bytes); a mistyped count must not take
    // the machine's memory or end the program.
    static constexpr int64_t kMaxPortQueueBytes = 64 << 20;

    // Each returns the stored value. A value below 1 (or bytes above
    // kMaxBytesPerBuffer) is refused. A changed value rebuilds the ports from
    // the port file, restarting them if they were running.
    int32_t setBytesPerBuffer(int32_t bytes);
    int32_t setBuffersPerPort(int32_t buffers);
    // Both at once, with a single rebuild when either changed. Sizes whose
    // queues would take more than kMaxPortQueueBytes per port are refused
    // together, with one line on standard error, and both stored sizes stay;
    // only then the result is false.
    bool setBufferSizes(int32_t bytes, int32_t buffers);

    // State files.
    //
    // Writes every record as one line between the markers; with relay set the
    // stored status and age are written, else they are worked out now. The
    // file is replaced whole or not at all. False without a path or when it
    // cannot be written (the old snapshot then stays).
    bool writeStateFile(const char* path, bool relay);
    // The line writeStateFile writes for one record, newline included; "" for
    // a record that cannot be written readably (it is left out). Takes the
    // record's lock.
    static std::string snapshotLine(NodeRecord& record, bool relay);
    // Applies the record lines of a state file; false without a path or when
    // the file cannot be opened, else true (also for a file without a block).
    bool readStateFile(const char* path);
    // Applies one record line: the record is found, or added as a late one;
    // true when a record was updated.
    bool parseStateRecord(const char* line);
    // Fetches the state file over HTTP and applies its records here; false
    // when the connection could not be opened (nothing changes). Blocks for
    // up to the fetch's deadline. The remote poll instead fetches on its own
    // thread with inputs::StateFetch and hands the lines to applyStateLines.
    bool fetchStateFile(const char* host, int port, const char* path);
    // Applies record lines fetched elsewhere (the remote poll reads them on
    // its own thread, the table applies them here); returns how many took.
    int applyStateLines(const std::vector<std::string>& lines);

    int32_t bytesPerBuffer() const { return bytesPerBuffer_; }
    int32_t buffersPerPort() const { return buffersPerPort_; }
    size_t portCount() const { return ports_.size(); }
    inputs::MulticastPort* portAt(size_t position) const;
    bool portsLoaded() const { return portsLoaded_; }
    bool portsRunning() const { return portsRunning_; }
    const std::string& portFilePath() const { return portFilePath_; }
    // How often a size change rebuilt the ports.
    uint32_t portRebuildCount() const { return portRebuildCount_; }

private:
    struct NodeLine {
        int32_t id;
        std::string name;
    };
    static bool parseNodeLine(const std::string& line, NodeLine& out);
    std::unique_ptr<NodeRecord> makeRecord(const char* name, int32_t id) const;
    void rebuildPorts();

    uint32_t fileNodeCount_ = 0;
    uint32_t lateNodeCount_ = 0;
    std::vector<std::unique_ptr<NodeRecord>> byIndex_;
    std::array<NodeRecord*, kCloseNodeCount> closeNodes_{};
    uint32_t maxId_ = 0;
    std::vector<NodeRecord*> byId_;
    std::vector<std::unique_ptr<inputs::MulticastPort>> ports_;
    std::string portFilePath_;
    std::string nodeFilePath_;
    bool portsLoaded_ = false;
    bool nodesLoaded_ = false;
    bool portsRunning_ = false;
    uint32_t portRebuildCount_ = 0;
    std::function<void()> packetsWaiting_;
    int32_t bytesPerBuffer_;
    int32_t buffersPerPort_;
    // Until the owner sets its limits (it does so right after construction).
    int32_t mediumIdleMs_ = 4000;
    int32_t badIdleMs_ = 2000;
    int64_t trailSpanMs_ = 0;
};

} // namespace nodes
