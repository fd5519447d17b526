#include "tools/fleet-sim/FleetOptions.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace {

using fleetsim::FleetOptions;

bool parse(const std::vector<std::string>& arguments, FleetOptions& options, std::string& error) {
    std::vector<const char*> argv;
    for (const std::string& argument : arguments) {
        argv.push_back(argument.c_str());
    }
    return FleetOptions::parse(static_cast<int>(argv.size()), argv.data(), options, error);
}

std::string joined(const std::vector<std::string>& arguments) {
    std::string text;
    for (const std::string& argument : arguments) {
        text += "[" + argument + "]";
    }
    return text;
}

// The parsed options as "name=value" words (optional ones only when set) and the slots per
// second for 20 vehicles.
std::string described(const FleetOptions& o) {
    std::ostringstream out;
    out << "group=" << o.group << " port=" << o.port << " ttl=" << o.ttl
        << " interface=" << o.interfaceAddress << " nodes=" << o.nodeFile << " ids=" << o.firstId
        << "-" << o.lastId << " center=" << o.centerLatitude << "," << o.centerLongitude
        << " radius=" << o.radius << " silent=" << o.silentFraction << "," << o.silentSeconds
        << " rate=" << o.rate << " total=" << o.totalRate << " max=" << o.maxRate
        << " duration=" << o.duration << " count=" << o.count << " garbage=" << o.garbage
        << " last=" << o.lastSentFile << " replay=" << o.replayFile << " loop=" << o.loop
        << " dry=" << o.dryRun << " help=" << o.help << " slots=" << o.slotsPerSecond(20);
    if (o.comment1 || o.comment2) {
        out << " comments=" << o.comment1.value_or("-") << "|" << o.comment2.value_or("-");
    }
    if (o.meet) {
        out << " meet=" << o.meet->host << "," << o.meet->visitor;
    }
    if (o.seed || o.startTimeMs) {
        out << " seed=" << o.seed.value_or(1) << " start=" << o.startTimeMs.value_or(1);
    }
    return " " + out.str() + " ";
}

TEST(FleetOptions, ValidCommandLines) {
    const struct {
        std::vector<std::string> arguments;
        const char* words; // each must stand in described()
    } cases[] = {
        {{}, "ids=0-19 slots=20 "},
        {{"--meet", "1,12"}, "meet=1,12 "},
        {{"--group", "239.1.2.3", "--port", "6000", "--ttl", "1", "--interface", "10.0.0.5"},
         "group=239.1.2.3 port=6000 ttl=1 interface=10.0.0.5 "},
        {{"--port=65535", "--ttl=255", "--group=224.0.0.251"},
         "group=224.0.0.251 port=65535 ttl=255 "},
        {{"--ids", "3-7"}, "ids=3-7 "},
        {{"--ids", "1000"}, "ids=1000-1000 "},
        {{"--nodes", "f.txt", "--comment1", "A,B", "--comment2", ""}, "nodes=f.txt comments=A,B| "},
        {{"--center", "-33.9,151.2", "--radius", "0.25"}, "center=-33.9,151.2 radius=0.25 "},
        {{"--center=89.5,180", "--radius", "0.5"}, "center=89.5,180 "},
        {{"--rate", "0.5"}, "slots=10 "},
        {{"--total-rate", "20000", "--max-rate"}, "total=20000 max=1 slots=20000 "},
        {{"--rate", "0", "--total-rate", "100"}, "slots=100 "},
        {{"--seed", "18446744073709551615", "--start-time", "1087302896.78"},
         "seed=18446744073709551615 start=1087302896780 "},
        {{"--seed", "0", "--start-time", "0"}, "seed=0 start=0 "},
        {{"--silent-fraction", "1", "--silent-seconds", "2.5"}, "silent=1,2.5 "},
        {{"--silent-fraction", "0"}, "silent=0,8 "},
        {{"--duration", "5", "--count", "100"}, "duration=5 count=100 "},
        {{"--replay", "l.txt", "--loop", "--rate", "0"}, "replay=l.txt loop=1 slots=0 "},
        {{"--replay", "l.txt", "--total-rate", "100000"}, "slots=100000 "},
        {{"--garbage", "0.1", "--last-sent", "last.txt"}, "garbage=0.1 last=last.txt "},
        {{"--replay", "l.txt", "--last-sent", "last.txt"}, "last=last.txt "},
        {{"--stdout"}, "dry=1 "},
        {{"--port", "6000", "--port", "6001"}, "port=6001 "},
        {{"--port", "0", "--bogus", "--help"}, "help=1 "},
        {{"-h"}, "help=1 "},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(joined(c.arguments));
        FleetOptions options;
        std::string error;
        ASSERT_TRUE(parse(c.arguments, options, error)) << error;
        const std::string got = described(options);
        std::istringstream words(c.words);
        for (std::string word; words >> word;) {
            EXPECT_NE(got.find(" " + word + " "), std::string::npos) << word << " in " << got;
        }
    }
}

struct InvalidCase {
    std::vector<std::string> arguments;
    const char* error;
};

TEST(FleetOptions, InvalidCommandLinesNameTheirProblem) {
    const InvalidCase cases[] = {
        {{"--bogus"}, "unknown option '--bogus' (see --help)"},
        {{"--bogus=1"}, "unknown option '--bogus' (see --help)"},
        {{"-x"}, "unknown option '-x' (see --help)"},
        {{"extra"}, "unexpected argument 'extra' (see --help)"},
        {{"--port"}, "option --port needs a value"},
        {{"--dry-run=yes"}, "option --dry-run takes no value"},
        {{"--stdout=no"}, "option --dry-run takes no value"},
        {{"--seed", "1", "--port="}, "option --port needs a value"},
        {{"--port", "7", "--port", "0", "--ttl", "-1"},
         "invalid value '0' for --port: expected a port number from 1 to 65535"},
        {{"--port", "0"}, "invalid value '0' for --port:"},
        {{"--port", "70000"}, "invalid value '70000' for --port:"},
        {{"--port", "12ab"}, "invalid value '12ab' for --port:"},
        {{"--port", ""}, "invalid value '' for --port:"},
        {{"--port=-1"}, "invalid value '-1' for --port:"},
        {{"--ttl", "256"}, "invalid value '256' for --ttl: expected a time-to-live from 0 to 255"},
        {{"--ttl", "-1"}, "invalid value '-1' for --ttl:"},
        {{"--group", "10.0.0.1"},
         "invalid value '10.0.0.1' for --group: expected a multicast IPv4 address from 224.0.0.0"
         " to 239.255.255.255"},
        {{"--group", "239.1.2"}, "invalid value '239.1.2' for --group:"},
        {{"--group", "240.0.0.1"}, "invalid value '240.0.0.1' for --group:"},
        {{"--interface", "localhost"},
         "invalid value 'localhost' for --interface: expected the IPv4 address of a local"
         " interface, such as 127.0.0.1"},
        {{"--nodes", ""}, "invalid value '' for --nodes: expected a file name"},
        {{"--ids", "7-3"},
         "invalid value '7-3' for --ids: expected a range FIRST-LAST of identifiers from 0 to"
         " 1000, FIRST not above LAST"},
        {{"--ids", "0-1001"}, "invalid value '0-1001' for --ids:"},
        {{"--ids", "-3"}, "invalid value '-3' for --ids:"},
        {{"--ids", "a-b"}, "invalid value 'a-b' for --ids:"},
        {{"--center", "91,0"},
         "invalid value '91,0' for --center: expected LAT,LON in decimal degrees, latitude -90 to"
         " 90, longitude -180 to 180"},
        {{"--center", "35"}, "invalid value '35' for --center:"},
        {{"--center", "35,-181"}, "invalid value '35,-181' for --center:"},
        {{"--center", "nan,0"}, "invalid value 'nan,0' for --center:"},
        {{"--radius", "0"},
         "invalid value '0' for --radius: expected degrees above 0 and at most 90"},
        {{"--radius", "-1"}, "invalid value '-1' for --radius:"},
        {{"--rate", "-1"},
         "invalid value '-1' for --rate: expected reports per second from 0 to 10000"},
        {{"--rate", "inf"}, "invalid value 'inf' for --rate:"},
        {{"--rate", "1e5"}, "invalid value '1e5' for --rate:"},
        {{"--total-rate", "0"},
         "invalid value '0' for --total-rate: expected datagrams per second above 0 and at most"
         " 10000000"},
        {{"--seed", "-1"},
         "invalid value '-1' for --seed: expected a whole number from 0 to 18446744073709551615"},
        {{"--seed", "1.5"}, "invalid value '1.5' for --seed:"},
        {{"--start-time", "-5"},
         "invalid value '-5' for --start-time: expected seconds since 1970-01-01 00:00 UTC, from"
         " 0 to 2147483647"},
        {{"--start-time", "3000000000"}, "invalid value '3000000000' for --start-time:"},
        {{"--silent-fraction", "1.5"},
         "invalid value '1.5' for --silent-fraction: expected a share of the vehicles from 0 to 1"},
        {{"--silent-seconds", "0"},
         "invalid value '0' for --silent-seconds: expected seconds above 0 and at most 86400"},
        {{"--duration", "0"}, "invalid value '0' for --duration: expected seconds above 0"},
        {{"--count", "0"},
         "invalid value '0' for --count: expected a number of datagrams of at least 1"},
        {{"--nodes", "a.txt", "--ids", "1-2"}, "--nodes and --ids cannot be combined"},
        {{"--replay", "f.txt", "--seed", "1"}, "--replay cannot be combined with --seed"},
        {{"--replay", "f.txt", "--meet", "1,2"}, "--replay cannot be combined with --meet"},
        {{"--meet", "3,3"},
         "invalid value '3,3' for --meet: expected two different identifiers A,B from 0 to 1000"},
        {{"--meet", "3"}, "invalid value '3' for --meet:"},
        {{"--meet", "1,1001"}, "invalid value '1,1001' for --meet:"},
        {{"--replay", "f.txt", "--garbage", "0.1"}, "--replay cannot be combined with --garbage"},
        {{"--garbage", "1.5"},
         "invalid value '1.5' for --garbage: expected a share of the datagrams from 0 to 1"},
        {{"--last-sent", ""}, "invalid value '' for --last-sent: expected a file name"},
        {{"--nodes", "a.txt", "--replay", "f.txt"}, "--replay cannot be combined with --nodes"},
        {{"--loop"}, "--loop needs --replay"},
        {{"--rate", "0"}, "--rate 0 is only allowed with --replay (use --max-rate for no pacing)"},
        {{"--rate", "0", "--max-rate"},
         "--rate 0 is only allowed with --replay (use --max-rate for no pacing)"},
        {{"--center", "89.8,0"}, "--center latitude 89.8 with --radius 0.5 reaches past a pole"},
        {{"--center", "-80,0", "--radius", "10.5"},
         "--center latitude -80 with --radius 10.5 reaches past a pole"},
    };
    for (const InvalidCase& c : cases) {
        SCOPED_TRACE(joined(c.arguments));
        FleetOptions options;
        std::string error;
        EXPECT_FALSE(parse(c.arguments, options, error));
        // A message stands whole once; its repeats check the value and option named.
        const std::string wanted = c.error;
        EXPECT_EQ(wanted.back() == ':' ? error.substr(0, wanted.size()) : error, wanted);
    }
}

} // namespace
