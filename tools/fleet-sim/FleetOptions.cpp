#include "tools/fleet-sim/FleetOptions.h"

#include "tools/fleet-sim/VehicleList.h"

#include <arpa/inet.h>

#include <charconv>
#include <cmath>
#include <cstdio>
#include <set>
#include <string_view>

namespace fleetsim {
namespace {

// The receiver keeps report times as 32-bit seconds.
constexpr double kLatestStartTime = 2147483647.0;
constexpr double kHighestTotalRate = 10'000'000.0;
constexpr double kHighestRate = 10'000.0;

// Reads one option's value into the options; on failure `expected` says what
// the value should have been.
using Setter = bool (*)(std::string_view value, FleetOptions& out, std::string& expected);

struct OptionEntry {
    std::string_view name;
    bool takesValue;
    Setter set;
};

template <typename Number>
bool readWhole(std::string_view text, Number low, Number high, Number& out) {
    Number value{};
    const char* end = text.data() + text.size();
    const auto [stop, status] = std::from_chars(text.data(), end, value);
    if (status != std::errc() || stop != end || value < low || value > high) {
        return false;
    }
    out = value;
    return true;
}

// Plain decimal only: from_chars also takes "inf" and "nan", refused here.
bool readReal(std::string_view text, double low, double high, double& out) {
    double value = 0.0;
    const char* end = text.data() + text.size();
    const auto [stop, status] = std::from_chars(text.data(), end, value);
    if (status != std::errc() || stop != end || !std::isfinite(value) || value < low ||
        value > high) {
        return false;
    }
    out = value;
    return true;
}

bool readIpv4(std::string_view text, in_addr& address) {
    const std::string copy(text);
    return inet_pton(AF_INET, copy.c_str(), &address) == 1;
}

bool setGroup(std::string_view value, FleetOptions& out, std::string& expected) {
    expected = "a multicast IPv4 address from 224.0.0.0 to 239.255.255.255";
    in_addr address{};
    if (!readIpv4(value, address) || !IN_MULTICAST(ntohl(address.s_addr))) {
        return false;
    }
    out.group = value;
    return true;
}

bool setPort(std::string_view value, FleetOptions& out, std::string& expected) {
    expected = "a port number from 1 to 65535";
    return readWhole<uint16_t>(value, 1, 65535, out.port);
}

bool setTtl(std::string_view value, FleetOptions& out, std::string& expected) {
    expected = "a time-to-live from 0 to 255";
    return readWhole<int>(value, 0, 255, out.ttl);
}

bool setInterface(std::string_view value, FleetOptions& out, std::string& expected) {
    expected = "the IPv4 address of a local interface, such as 127.0.0.1";
    in_addr address{};
    if (!readIpv4(value, address)) {
        return false;
    }
    out.interfaceAddress = value;
    return true;
}

bool setNodes(std::string_view value, FleetOptions& out, std::string& expected) {
    expected = "a file name";
    out.nodeFile = value;
    return !value.empty();
}

bool setIds(std::string_view value, FleetOptions& out, std::string& expected) {
    expected = "a range FIRST-LAST of identifiers from 0 to 1000, FIRST not above LAST";
    const size_t dash = value.find('-');
    const std::string_view firstText = value.substr(0, dash);
    const std::string_view lastText =
        dash == std::string_view::npos ? firstText : value.substr(dash + 1);
    int32_t first = 0;
    int32_t last = 0;
    if (!readWhole<int32_t>(firstText, 0, VehicleList::kMaxId, first) ||
        !readWhole<int32_t>(lastText, 0, VehicleList::kMaxId, last) || first > last) {
        return false;
    }
    out.firstId = first;
    out.lastId = last;
    return true;
}

bool setComment1(std::string_view value, FleetOptions& out, std::string&) {
    out.comment1 = std::string(value);
    return true;
}

bool setComment2(std::string_view value, FleetOptions& out, std::string&) {
    out.comment2 = std::string(value);
    return true;
}

bool setCenter(std::string_view value, FleetOptions& out, std::string& expected) {
    expected = "LAT,LON in decimal degrees, latitude -90 to 90, longitude -180 to 180";
    const size_t comma = value.find(',');
    if (comma == std::string_view::npos) {
        return false;
    }
    double latitude = 0.0;
    double longitude = 0.0;
    if (!readReal(value.substr(0, comma), -90.0, 90.0, latitude) ||
        !readReal(value.substr(comma + 1), -180.0, 180.0, longitude)) {
        return false;
    }
    out.centerLatitude = latitude;
    out.centerLongitude = longitude;
    return true;
}

bool setRadius(std::string_view value, FleetOptions& out, std::string& expected) {
    expected = "degrees above 0 and at most 90";
    return readReal(value, 0.0, 90.0, out.radius) && out.radius > 0.0;
}

bool setRate(std::string_view value, FleetOptions& out, std::string& expected) {
    expected = "reports per second from 0 to 10000";
    return readReal(value, 0.0, kHighestRate, out.rate);
}

bool setTotalRate(std::string_view value, FleetOptions& out, std::string& expected) {
    expected = "datagrams per second above 0 and at most 10000000";
    return readReal(value, 0.0, kHighestTotalRate, out.totalRate) && out.totalRate > 0.0;
}

bool setSeed(std::string_view value, FleetOptions& out, std::string& expected) {
    expected = "a whole number from 0 to 18446744073709551615";
    uint64_t seed = 0;
    if (!readWhole<uint64_t>(value, 0, UINT64_MAX, seed)) {
        return false;
    }
    out.seed = seed;
    return true;
}

bool setStartTime(std::string_view value, FleetOptions& out, std::string& expected) {
    expected = "seconds since 1970-01-01 00:00 UTC, from 0 to 2147483647";
    double seconds = 0.0;
    if (!readReal(value, 0.0, kLatestStartTime, seconds)) {
        return false;
    }
    out.startTimeMs = std::llround(seconds * 1000.0);
    return true;
}

bool setSilentFraction(std::string_view value, FleetOptions& out, std::string& expected) {
    expected = "a share of the vehicles from 0 to 1";
    return readReal(value, 0.0, 1.0, out.silentFraction);
}

bool setSilentSeconds(std::string_view value, FleetOptions& out, std::string& expected) {
    expected = "seconds above 0 and at most 86400";
    return readReal(value, 0.0, 86400.0, out.silentSeconds) && out.silentSeconds > 0.0;
}

bool setDuration(std::string_view value, FleetOptions& out, std::string& expected) {
    expected = "seconds above 0";
    return readReal(value, 0.0, 1e9, out.duration) && out.duration > 0.0;
}

bool setCount(std::string_view value, FleetOptions& out, std::string& expected) {
    expected = "a number of datagrams of at least 1";
    return readWhole<uint64_t>(value, 1, UINT64_MAX, out.count);
}

bool setReplay(std::string_view value, FleetOptions& out, std::string& expected) {
    expected = "a file name";
    out.replayFile = value;
    return !value.empty();
}

bool setLoop(std::string_view, FleetOptions& out, std::string&) {
    out.loop = true;
    return true;
}

bool setDryRun(std::string_view, FleetOptions& out, std::string&) {
    out.dryRun = true;
    return true;
}

bool setMaxRate(std::string_view, FleetOptions& out, std::string&) {
    out.maxRate = true;
    return true;
}

bool setHelp(std::string_view, FleetOptions& out, std::string&) {
    out.help = true;
    return true;
}

constexpr OptionEntry kOptions[] = {
    {"--group", true, setGroup},
    {"--port", true, setPort},
    {"--ttl", true, setTtl},
    {"--interface", true, setInterface},
    {"--nodes", true, setNodes},
    {"--ids", true, setIds},
    {"--comment1", true, setComment1},
    {"--comment2", true, setComment2},
    {"--center", true, setCenter},
    {"--radius", true, setRadius},
    {"--rate", true, setRate},
    {"--total-rate", true, setTotalRate},
    {"--max-rate", false, setMaxRate},
    {"--seed", true, setSeed},
    {"--start-time", true, setStartTime},
    {"--silent-fraction", true, setSilentFraction},
    {"--silent-seconds", true, setSilentSeconds},
    {"--duration", true, setDuration},
    {"--count", true, setCount},
    {"--replay", true, setReplay},
    {"--loop", false, setLoop},
    {"--dry-run", false, setDryRun},
    {"--stdout", false, setDryRun},
    {"--help", false, setHelp},
    {"-h", false, setHelp},
};

const OptionEntry* findOption(std::string_view name) {
    for (const OptionEntry& entry : kOptions) {
        if (entry.name == name) {
            return &entry;
        }
    }
    return nullptr;
}

// Options that shape the simulated fleet, which a replay does not have.
constexpr std::string_view kSimulationOnly[] = {
    "--nodes",  "--ids",  "--comment1",   "--comment2",        "--center",
    "--radius", "--seed", "--start-time", "--silent-fraction", "--silent-seconds",
};

std::string shortNumber(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", value);
    return text;
}

bool checkCombination(const FleetOptions& options, const std::set<std::string_view>& given,
                      std::string& error) {
    if (given.count("--nodes") != 0 && given.count("--ids") != 0) {
        error = "--nodes and --ids cannot be combined";
        return false;
    }
    if (!options.replayFile.empty()) {
        for (std::string_view name : kSimulationOnly) {
            if (given.count(name) != 0) {
                error = "--replay cannot be combined with " + std::string(name);
                return false;
            }
        }
        return true;
    }
    if (options.loop) {
        error = "--loop needs --replay";
        return false;
    }
    if (options.rate == 0.0 && options.totalRate == 0.0) {
        // Report times follow the schedule, so a fleet needs a rate even with --max-rate.
        error = "--rate 0 is only allowed with --replay (use --max-rate for no pacing)";
        return false;
    }
    if (std::fabs(options.centerLatitude) + options.radius > 90.0) {
        error = "--center latitude " + shortNumber(options.centerLatitude) + " with --radius " +
                shortNumber(options.radius) + " reaches past a pole";
        return false;
    }
    return true;
}

} // namespace

double FleetOptions::slotsPerSecond(size_t vehicleCount) const {
    if (totalRate > 0.0) {
        return totalRate;
    }
    if (!replayFile.empty()) {
        return rate;
    }
    return rate * static_cast<double>(vehicleCount);
}

bool FleetOptions::parse(int argc, const char* const argv[], FleetOptions& out,
                         std::string& error) {
    out = FleetOptions();
    std::set<std::string_view> given;
    for (int i = 0; i < argc; ++i) {
        const std::string_view argument = argv[i];
        const size_t equals =
            argument.starts_with("--") ? argument.find('=') : std::string_view::npos;
        const std::string_view name = argument.substr(0, equals);
        const OptionEntry* entry = findOption(name);
        if (entry == nullptr) {
            error = argument.starts_with("-")
                        ? "unknown option '" + std::string(name) + "' (see --help)"
                        : "unexpected argument '" + std::string(argument) + "' (see --help)";
            return false;
        }
        std::string_view value;
        if (equals != std::string_view::npos) {
            if (!entry->takesValue) {
                error = "option " + std::string(name) + " takes no value";
                return false;
            }
            value = argument.substr(equals + 1);
        } else if (entry->takesValue) {
            if (i + 1 >= argc) {
                error = "option " + std::string(name) + " needs a value";
                return false;
            }
            value = argv[++i];
        }
        std::string expected;
        if (!entry->set(value, out, expected)) {
            error = "invalid value '" + std::string(value) + "' for " + std::string(name) +
                    ": expected " + expected;
            return false;
        }
        if (out.help) {
            return true;
        }
        given.insert(entry->name);
    }
    return checkCombination(out, given, error);
}

std::string FleetOptions::usage() {
    return R"(usage: fleet-sim [options]
Sends position datagrams of a simulated fleet (or the lines of a recorded file)
to a multicast group. Runs until --duration or --count is reached, or until
SIGINT/SIGTERM, then prints a one-line summary.

Destination:
  --group ADDR           multicast group (default 239.192.0.1)
  --port N               UDP port (default 5500)
  --ttl N                multicast time-to-live, 0 to 255 (default 0: this host only)
  --interface ADDR       local interface address to send from (default 127.0.0.1)
  --dry-run, --stdout    print the datagrams one per line instead of sending;
                         the summary then goes to standard error

Vehicles:
  --ids FIRST-LAST       identifiers 0 to 1000 (default 0-19), named "Vehicle N"
  --nodes FILE           the nodes of a node file instead (id, then name)
  --comment1 TEXT        fixed comment 1 (default: the vehicle's name)
  --comment2 TEXT        fixed comment 2 (default: "Leg N", changing now and then)
                         commas in comments become ';' (the format forbids them)

Motion and silences:
  --center LAT,LON       centre of the tracks in degrees (default 35.0,-115.0)
  --radius DEG           tracks stay within this many degrees (default 0.5)
  --seed N               seed of tracks and silences (default: random, shown in
                         the summary); the same seed and --start-time give the
                         same datagrams
  --start-time EPOCH     UTC seconds since 1970 of the first report (default: now)
  --silent-fraction F    share of vehicles that fall silent now and then (default 0.15)
  --silent-seconds S     silences last S to 2*S seconds (default 8)

Pace and length:
  --rate HZ              reports per vehicle per second, spread evenly (default 1;
                         with --replay: lines per second, 0 = as fast as possible)
  --total-rate N         datagrams per second overall, whatever the fleet size
                         (benchmarks: 20000, 100000)
  --max-rate             no pacing: send as fast as possible (report times still
                         advance as the rate says)
  --duration SECONDS     stop after this many seconds of reports
  --count N              stop after N datagrams

Replay:
  --replay FILE          send the lines of FILE verbatim, one datagram per line
                         (CR LF line ends are fine)
  --loop                 start the file over at its end

  --help, -h             this text

Exit status: 0 done, 1 the socket could not be set up or nothing could be
sent, 2 bad arguments or unreadable files.
)";
}

} // namespace fleetsim
