#include "tools/fleet-sim/FleetOptions.h"

#include <gtest/gtest.h>

#include <functional>
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

struct ValidCase {
    std::vector<std::string> arguments;
    std::function<void(const FleetOptions&)> check;
};

TEST(FleetOptions, ValidCommandLines) {
    const ValidCase cases[] = {
        {{"--meet", "1,12"},
         [](const FleetOptions& o) {
             ASSERT_TRUE(o.meet.has_value());
             EXPECT_EQ(o.meet->host, 1);
             EXPECT_EQ(o.meet->visitor, 12);
         }},
        {{"--group", "239.1.2.3", "--port", "6000", "--ttl", "1", "--interface", "10.0.0.5"},
         [](const FleetOptions& o) {
             EXPECT_EQ(o.group, "239.1.2.3");
             EXPECT_EQ(o.port, 6000);
             EXPECT_EQ(o.ttl, 1);
             EXPECT_EQ(o.interfaceAddress, "10.0.0.5");
         }},
        {{"--port=65535", "--ttl=255", "--group=224.0.0.251"},
         [](const FleetOptions& o) {
             EXPECT_EQ(o.port, 65535);
             EXPECT_EQ(o.ttl, 255);
             EXPECT_EQ(o.group, "224.0.0.251");
         }},
        {{"--ids", "3-7"},
         [](const FleetOptions& o) {
             EXPECT_EQ(o.firstId, 3);
             EXPECT_EQ(o.lastId, 7);
             EXPECT_EQ(o.slotsPerSecond(5), 5.0);
         }},
        {{"--ids", "1000"},
         [](const FleetOptions& o) {
             EXPECT_EQ(o.firstId, 1000);
             EXPECT_EQ(o.lastId, 1000);
         }},
        {{"--nodes", "fleet.txt", "--comment1", "A,B", "--comment2", ""},
         [](const FleetOptions& o) {
             EXPECT_EQ(o.nodeFile, "fleet.txt");
             EXPECT_EQ(o.comment1.value_or("?"), "A,B"); // cleaned when datagrams are written
             EXPECT_EQ(o.comment2.value_or("?"), "");
         }},
        {{"--center", "-33.9,151.2", "--radius", "0.25"},
         [](const FleetOptions& o) {
             EXPECT_EQ(o.centerLatitude, -33.9);
             EXPECT_EQ(o.centerLongitude, 151.2);
             EXPECT_EQ(o.radius, 0.25);
         }},
        {{"--center=89.5,180", "--radius", "0.5"},
         [](const FleetOptions& o) {
             EXPECT_EQ(o.centerLatitude, 89.5);
             EXPECT_EQ(o.centerLongitude, 180.0);
         }},
        {{"--rate", "0.5"}, [](const FleetOptions& o) { EXPECT_EQ(o.slotsPerSecond(20), 10.0); }},
        {{"--total-rate", "20000", "--max-rate"},
         [](const FleetOptions& o) {
             EXPECT_EQ(o.totalRate, 20000.0);
             EXPECT_TRUE(o.maxRate);
             EXPECT_EQ(o.slotsPerSecond(20), 20000.0);
         }},
        {{"--rate", "0", "--total-rate", "100"},
         [](const FleetOptions& o) { EXPECT_EQ(o.slotsPerSecond(3), 100.0); }},
        {{"--seed", "18446744073709551615", "--start-time", "1087302896.78"},
         [](const FleetOptions& o) {
             EXPECT_EQ(o.seed.value_or(0), 18446744073709551615ull);
             EXPECT_EQ(o.startTimeMs.value_or(0), 1087302896780);
         }},
        {{"--seed", "0", "--start-time", "0"},
         [](const FleetOptions& o) {
             EXPECT_EQ(o.seed.value_or(1), 0u);
             EXPECT_EQ(o.startTimeMs.value_or(1), 0);
         }},
        {{"--silent-fraction", "0"},
         [](const FleetOptions& o) { EXPECT_EQ(o.silentFraction, 0.0); }},
        {{"--silent-fraction", "1", "--silent-seconds", "2.5"},
         [](const FleetOptions& o) {
             EXPECT_EQ(o.silentFraction, 1.0);
             EXPECT_EQ(o.silentSeconds, 2.5);
         }},
        {{"--duration", "5", "--count", "100"},
         [](const FleetOptions& o) {
             EXPECT_EQ(o.duration, 5.0);
             EXPECT_EQ(o.count, 100u);
         }},
        {{"--replay", "lines.txt", "--loop", "--rate", "0"},
         [](const FleetOptions& o) {
             EXPECT_EQ(o.replayFile, "lines.txt");
             EXPECT_TRUE(o.loop);
             EXPECT_EQ(o.slotsPerSecond(0), 0.0);
         }},
        {{"--replay", "lines.txt", "--rate", "4"},
         [](const FleetOptions& o) { EXPECT_EQ(o.slotsPerSecond(0), 4.0); }},
        {{"--replay", "lines.txt", "--total-rate", "100000"},
         [](const FleetOptions& o) { EXPECT_EQ(o.slotsPerSecond(0), 100000.0); }},
        {{"--garbage", "0.1", "--last-sent", "last.txt"},
         [](const FleetOptions& o) {
             EXPECT_EQ(o.garbage, 0.1);
             EXPECT_EQ(o.lastSentFile, "last.txt");
         }},
        {{"--replay", "lines.txt", "--last-sent", "last.txt"},
         [](const FleetOptions& o) { EXPECT_EQ(o.lastSentFile, "last.txt"); }},
        {{"--dry-run"}, [](const FleetOptions& o) { EXPECT_TRUE(o.dryRun); }},
        {{"--stdout"}, [](const FleetOptions& o) { EXPECT_TRUE(o.dryRun); }},
        {{"--port", "6000", "--port", "6001"},
         [](const FleetOptions& o) { EXPECT_EQ(o.port, 6001); }},
        {{"--help", "--bogus"}, [](const FleetOptions& o) { EXPECT_TRUE(o.help); }},
        {{"--port", "0", "--bogus", "--help"}, [](const FleetOptions& o) { EXPECT_TRUE(o.help); }},
        {{"-h"}, [](const FleetOptions& o) { EXPECT_TRUE(o.help); }},
    };
    for (const ValidCase& c : cases) {
        SCOPED_TRACE(joined(c.arguments));
        FleetOptions options;
        std::string error;
        ASSERT_TRUE(parse(c.arguments, options, error)) << error;
        c.check(options);
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
