#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace fleetsim {

// The settings of one fleet-sim run, from its command line. A plain record
// with its parser; any thread.
struct FleetOptions {
    // Where the datagrams go. TTL 0 keeps them on this host; IP_MULTICAST_LOOP
    // is always on so displays on this host receive them.
    std::string group = "239.192.0.1";
    uint16_t port = 5500;
    int ttl = 0;
    std::string interfaceAddress = "127.0.0.1";

    // Who reports: the nodes of a node file, or a range of identifiers.
    std::string nodeFile;
    int32_t firstId = 0;
    int32_t lastId = 19;
    std::optional<std::string> comment1; // fixed comment 1 instead of the name
    std::optional<std::string> comment2; // fixed comment 2 instead of the leg

    // How they move and fall silent.
    double centerLatitude = 35.0;
    double centerLongitude = -115.0;
    double radius = 0.5;
    std::optional<uint64_t> seed;       // none: a random seed
    std::optional<int64_t> startTimeMs; // UTC ms since 1970; none: now
    double silentFraction = 0.15;
    double silentSeconds = 8.0;
    // Host and visitor ids of a pair that meets now and then (MeetingPair); both report
    // throughout. None: no meetings.
    struct Meeting {
        int32_t host = 0;
        int32_t visitor = 0;
    };
    std::optional<Meeting> meet;

    // How fast and how long.
    double rate = 1.0;      // reports per vehicle per second (replay: lines per second)
    double totalRate = 0.0; // datagrams per second overall; 0: use rate
    bool maxRate = false;   // no pacing at all
    double duration = 0.0;  // seconds; 0: no limit
    uint64_t count = 0;     // datagrams; 0: no limit

    // Flooding a display: a share of the slots sent as garbage (see
    // GarbageMixer), and a file for each vehicle's last report sent.
    double garbage = 0.0;
    std::string lastSentFile; // empty: none

    std::string replayFile; // empty: simulate
    bool loop = false;
    bool dryRun = false;
    bool help = false;

    // Slots per second of the pacing schedule for a fleet of this size.
    double slotsPerSecond(size_t vehicleCount) const;

    // Reads the arguments after the program name (with CLI11). Returns false
    // with a message naming the bad option or value (the first one in
    // command-line order); --help anywhere sets `help` and nothing else counts.
    static bool parse(int argc, const char* const argv[], FleetOptions& out, std::string& error);
    // The help text, listing every option.
    static std::string usage();
};

} // namespace fleetsim
