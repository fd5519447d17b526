#include "tools/fleet-sim/FleetOptions.h"

#include "tools/fleet-sim/VehicleList.h"

#include <CLI/CLI.hpp>
#include <arpa/inet.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <map>
#include <memory>
#include <set>
#include <string_view>
#include <vector>

namespace fleetsim {
namespace {

// The receiver keeps report times as 32-bit seconds.
constexpr double kLatestStartTime = 2147483647.0;
constexpr double kHighestTotalRate = 10'000'000.0;
constexpr double kHighestRate = 10'000.0;

// Reads one option's value into the options; on failure `expected` says what
// the value should have been.
using Setter = bool (*)(std::string_view value, FleetOptions& out, std::string& expected);

// One option: its names, its group and its value's name in the help (none for a flag), its help
// text and what reads its value.
struct OptionEntry {
    const char* names;
    const char* group;
    const char* value;
    const char* help;
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

bool setMeet(std::string_view value, FleetOptions& out, std::string& expected) {
    expected = "two different identifiers A,B from 0 to 1000";
    const size_t comma = value.find(',');
    FleetOptions::Meeting meeting;
    if (comma == std::string_view::npos ||
        !readWhole<int32_t>(value.substr(0, comma), 0, VehicleList::kMaxId, meeting.host) ||
        !readWhole<int32_t>(value.substr(comma + 1), 0, VehicleList::kMaxId, meeting.visitor) ||
        meeting.host == meeting.visitor) {
        return false;
    }
    out.meet = meeting;
    return true;
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

bool setGarbage(std::string_view value, FleetOptions& out, std::string& expected) {
    expected = "a share of the datagrams from 0 to 1";
    return readReal(value, 0.0, 1.0, out.garbage);
}

bool setLastSent(std::string_view value, FleetOptions& out, std::string& expected) {
    expected = "a file name";
    out.lastSentFile = value;
    return !value.empty();
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

constexpr const char* kDestination = "Destination";
constexpr const char* kVehicles = "Vehicles";
constexpr const char* kMotion = "Motion and silences";
constexpr const char* kPace = "Pace and length";
constexpr const char* kReplay = "Replay";
constexpr const char* kFlood = "Flooding a display";

// In the order the help lists them.
constexpr OptionEntry kOptions[] = {
    {"--group", kDestination, "ADDR", "multicast group (default 239.192.0.1)", setGroup},
    {"--port", kDestination, "N", "UDP port (default 5500)", setPort},
    {"--ttl", kDestination, "N", "multicast time-to-live, 0 to 255 (default 0: this host only)",
     setTtl},
    {"--interface", kDestination, "ADDR",
     "local interface address to send from (default 127.0.0.1)", setInterface},
    {"--dry-run,--stdout", kDestination, nullptr,
     "print the datagrams one per line instead of sending;\n"
     "the summary then goes to standard error",
     setDryRun},
    {"--ids", kVehicles, "FIRST-LAST", "identifiers 0 to 1000 (default 0-19), named \"Vehicle N\"",
     setIds},
    {"--nodes", kVehicles, "FILE", "the nodes of a node file instead (id, then name)", setNodes},
    {"--comment1", kVehicles, "TEXT", "fixed comment 1 (default: the vehicle's name)", setComment1},
    {"--comment2", kVehicles, "TEXT",
     "fixed comment 2 (default: \"Leg N\", changing now and then)\n"
     "commas in comments become ';' (the format forbids them)",
     setComment2},
    {"--center", kMotion, "LAT,LON", "centre of the tracks in degrees (default 35.0,-115.0)",
     setCenter},
    {"--radius", kMotion, "DEG", "tracks stay within this many degrees (default 0.5)", setRadius},
    {"--seed", kMotion, "N",
     "seed of tracks and silences (default: random, shown in\n"
     "the summary); the same seed and --start-time give the\n"
     "same datagrams",
     setSeed},
    {"--start-time", kMotion, "EPOCH", "UTC seconds since 1970 of the first report (default: now)",
     setStartTime},
    {"--silent-fraction", kMotion, "F",
     "share of vehicles that fall silent now and then (default 0.15)", setSilentFraction},
    {"--silent-seconds", kMotion, "S", "silences last S to 2*S seconds (default 8)",
     setSilentSeconds},
    {"--meet", kMotion, "A,B",
     "vehicle B escorts vehicle A 6 km off and comes within\n"
     "40 m of it for 15 s every 3 minutes, the first time 30 s\n"
     "into the run; A stops meanwhile and neither falls silent",
     setMeet},
    {"--rate", kPace, "HZ",
     "reports per vehicle per second, spread evenly (default 1;\n"
     "with --replay: lines per second, 0 = as fast as possible)",
     setRate},
    {"--total-rate", kPace, "N",
     "datagrams per second overall, whatever the fleet size\n"
     "(benchmarks: 20000, 100000)",
     setTotalRate},
    {"--max-rate", kPace, nullptr,
     "no pacing: send as fast as possible (report times still\n"
     "advance as the rate says)",
     setMaxRate},
    {"--duration", kPace, "SECONDS", "stop after this many seconds of reports", setDuration},
    {"--count", kPace, "N", "stop after N datagrams", setCount},
    {"--replay", kReplay, "FILE",
     "send the lines of FILE verbatim, one datagram per line\n"
     "(CR LF line ends are fine)",
     setReplay},
    {"--loop", kReplay, nullptr, "start the file over at its end", setLoop},
    {"--garbage", kFlood, "F",
     "share of the datagrams sent as garbage instead of the report\n"
     "due (random bytes, cut, 65000 bytes, dated 10 years ahead or\n"
     "an hour back, control characters in comments); none in the\n"
     "last second of a --duration run (default 0)",
     setGarbage},
    {"--last-sent", kFlood, "FILE",
     "at the end, write each vehicle's last report sent to FILE,\n"
     "one datagram per line",
     setLastSent},
};

constexpr const char* kIntro =
    "Sends position datagrams of a simulated fleet (or the lines of a recorded file)\n"
    "to a multicast group. Runs until --duration or --count is reached, or until\n"
    "SIGINT/SIGTERM, then prints a one-line summary.";
constexpr const char* kExitStatus =
    "Exit status: 0 done, 1 the socket could not be set up or nothing could be\n"
    "sent, 2 bad arguments or unreadable files.";

// The usage line first, then what the program does, then the options by group, the spellings
// of one option apart by ", ".
class Help : public CLI::Formatter {
public:
    Help() {
        label("Usage", "usage");
        label("OPTIONS", "options");
        column_width(25);
    }
    std::string make_description(const CLI::App*) const override { return {}; }
    std::string make_usage(const CLI::App* app, std::string name) const override {
        return CLI::Formatter::make_usage(app, std::move(name)) + app->get_description() + "\n\n";
    }
    // Without its opening line break: the groups are already parted by one.
    std::string make_group(std::string group, bool positional,
                           std::vector<const CLI::Option*> options) const override {
        return CLI::Formatter::make_group(std::move(group), positional, std::move(options))
            .substr(1);
    }
    std::string make_option_name(const CLI::Option* option, bool positional) const override {
        std::string names = CLI::Formatter::make_option_name(option, positional);
        for (size_t comma = names.find(','); comma != std::string::npos;
             comma = names.find(',', comma + 2)) {
            names.insert(comma + 1, " ");
        }
        return names;
    }
};

// The command line as CLI11 reads it, one CLI11 option per entry of kOptions in the same order;
// every option keeps all the values it is given, so each is checked, and --help comes last.
void describe(CLI::App& app) {
    app.set_help_flag();
    app.formatter(std::make_shared<Help>());
    app.description(kIntro);
    app.footer(kExitStatus);
    for (const OptionEntry& entry : kOptions) {
        CLI::Option* option =
            entry.value != nullptr ? app.add_option(entry.names) : app.add_flag(entry.names);
        option->description(entry.help);
        option->group(entry.group);
        option->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
        if (entry.value != nullptr) {
            option->type_name(entry.value);
        }
    }
    app.set_help_flag("--help,-h", "this text")->group("Help");
}

std::string notAnOption(const std::string& argument) {
    if (argument.starts_with("-")) {
        return "unknown option '" + argument.substr(0, argument.find('=')) + "' (see --help)";
    }
    return "unexpected argument '" + argument + "' (see --help)";
}

// Options that shape the simulated fleet, which a replay does not have.
constexpr std::string_view kSimulationOnly[] = {
    "--nodes", "--ids",        "--comment1",        "--comment2",       "--center", "--radius",
    "--seed",  "--start-time", "--silent-fraction", "--silent-seconds", "--meet",   "--garbage",
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

// The values in command-line order: the first bad one is the one named, and a repeated option
// keeps its last value.
bool applyValues(const CLI::App& app, FleetOptions& out, std::string& error) {
    const std::vector<const CLI::Option*> options = app.get_options();
    std::map<const CLI::Option*, size_t> used;
    std::set<std::string_view> given;
    for (const CLI::Option* option : app.parse_order()) {
        const size_t index = static_cast<size_t>(std::find(options.begin(), options.end(), option) -
                                                 options.begin());
        if (index >= std::size(kOptions)) {
            continue; // --help, which never gets here
        }
        const OptionEntry& entry = kOptions[index];
        const std::string& value = option->results().at(used[option]++);
        // A flag given "=VALUE" keeps that text as its result; alone it reads "true".
        if (entry.value == nullptr && value != "true") {
            error = "option " + option->get_name() + " takes no value";
            return false;
        }
        std::string expected;
        if (!entry.set(value, out, expected)) {
            error = "invalid value '" + value + "' for " + option->get_name() + ": expected " +
                    expected;
            return false;
        }
        given.insert(entry.names);
    }
    return checkCombination(out, given, error);
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

// CLI11 splits the command line and reports what it cannot place; the values are read
// afterwards. --help wins over everything else.
bool FleetOptions::parse(int argc, const char* const argv[], FleetOptions& out,
                         std::string& error) {
    out = FleetOptions();
    CLI::App app("", "fleet-sim");
    describe(app);
    std::vector<std::string> arguments(argv, argv + argc);
    std::reverse(arguments.begin(), arguments.end()); // CLI11 takes them last first
    try {
        app.parse(arguments);
    } catch (const CLI::CallForHelp&) {
        out.help = true;
        return true;
    } catch (const CLI::ExtrasError&) {
        error = notAnOption(app.remaining().front());
        return false;
    } catch (const CLI::ArgumentMismatch& mismatch) {
        // The one mismatch left: the command line ended where a value was due. CLI11's message
        // starts with the option's name.
        const std::string what = mismatch.what();
        error = "option " + what.substr(0, what.find(':')) + " needs a value";
        return false;
    } catch (const CLI::ParseError& other) {
        error = other.what();
        return false;
    }
    return applyValues(app, out, error);
}

std::string FleetOptions::usage() {
    CLI::App app("", "fleet-sim");
    describe(app);
    return app.help();
}

} // namespace fleetsim
