// The fleet-sim program run as a user runs it; only --dry-run and refusals: nothing is sent.
// Its output is read back by the display's own parser.
#include "tests/support/ChildProcess.h"
#include "tests/support/TempDir.h"
#include "tests/tools/DisplayReading.h"

#include <gtest/gtest.h>

#include <cmath>
#include <csignal>
#include <map>
#include <regex>
#include <set>
#include <sstream>

namespace {

using testsupport::ChildProcess;
using testsupport::TempDir;
const std::string kProgram = FLEET_SIM_PATH;
constexpr int64_t kStartMs = 1087302896000; // 2004-06-15 12:34:56 UTC

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream stream(text);
    for (std::string line; std::getline(stream, line);) {
        lines.push_back(line);
    }
    return lines;
}

// fleet-sim run by the shell in a scratch folder.
ChildProcess::Outcome fleetSim(const TempDir& dir, const std::string& arguments) {
    return ChildProcess::run(
        "/bin/sh", {"-c", "cd " + dir.path().string() + " && " + kProgram + " " + arguments});
}

// Refusals exit with status 2 and one line naming the first bad option or value or file.
TEST(FleetSimCommand, RefusalsExitWith2AndOneLine) {
    TempDir dir;
    dir.write("none", "# nothing\n1001 out of range\n");
    dir.write("empty", "");
    auto refused = [&](const std::string& arguments, const std::string& message) {
        const auto run = fleetSim(dir, "--dry-run --count 1 " + arguments);
        EXPECT_EQ(run.status, 2) << arguments;
        EXPECT_EQ(run.out +
                      (message.back() == ':' ? run.err.substr(0, message.size() + 11) : run.err),
                  "fleet-sim: " + message + (message.back() == ':' ? "" : "\n"));
    };
    // Each option's bad values: "invalid value 'V' for OPTION: expected ...".
    const struct {
        const char *option, *values, *expected;
    } bad[] = {
        {"--port", "0 65536 12ab ''", "a port number from 1 to 65535"},
        {"--ttl", "256 -1", "a time-to-live from 0 to 255"},
        {"--group", "10.0.0.1 239.1.2 240.0.0.1",
         "a multicast IPv4 address from 224.0.0.0 to 239.255.255.255"},
        {"--interface", "localhost", "the IPv4 address of a local interface, such as 127.0.0.1"},
        {"--ids", "7-3 0-1001 -3 a-b",
         "a range FIRST-LAST of identifiers from 0 to 1000, FIRST not above LAST"},
        {"--center", "91,0 35 35,-181 nan,0",
         "LAT,LON in decimal degrees, latitude -90 to 90, longitude -180 to 180"},
        {"--radius", "0 -1 90.5", "degrees above 0 and at most 90"},
        {"--rate", "-1 inf 1e5", "reports per second from 0 to 10000"},
        {"--total-rate", "0 1e8", "datagrams per second above 0 and at most 10000000"},
        {"--seed", "-1 1.5", "a whole number from 0 to 18446744073709551615"},
        {"--start-time", "-5 3000000000",
         "seconds since 1970-01-01 00:00 UTC, from 0 to 2147483647"},
        {"--silent-fraction", "1.5", "a share of the vehicles from 0 to 1"},
        {"--silent-seconds", "0", "seconds above 0 and at most 86400"},
        {"--duration", "0", "seconds above 0"},
        {"--count", "0", "a number of datagrams of at least 1"},
        {"--meet", "3,3 3 1,1001", "two different identifiers A,B from 0 to 1000"},
        {"--garbage", "1.5", "a share of the datagrams from 0 to 1"},
        {"--nodes", "''", "a file name"},
        {"--last-sent", "''", "a file name"},
    };
    for (const auto& c : bad) {
        std::istringstream values(c.values);
        for (std::string value; values >> value;) {
            refused(c.option + (" " + value), "invalid value '" + (value == "''" ? "" : value) +
                                                  "' for " + c.option + ": expected " + c.expected);
        }
    }
    const struct {
        const char *arguments, *message; // ending in ':', the start of the message
    } cases[] = {
        {"--bogus=1", "unknown option '--bogus' (see --help)"},
        {"-x", "unknown option '-x' (see --help)"},
        {"extra", "unexpected argument 'extra' (see --help)"},
        {"--seed 1 --port=", "option --port needs a value"},
        {"--stdout=no", "option --dry-run takes no value"},
        {"--port 7 --port 0 --ttl -1", "invalid value '0' for --port:"},
        {"--nodes a.txt --ids 1-2", "--nodes and --ids cannot be combined"},
        {"--replay f --seed 1", "--replay cannot be combined with --seed"},
        {"--replay f --meet 1,2", "--replay cannot be combined with --meet"},
        {"--replay f --garbage 0.1", "--replay cannot be combined with --garbage"},
        {"--nodes a.txt --replay f", "--replay cannot be combined with --nodes"},
        {"--loop", "--loop needs --replay"},
        {"--rate 0 --max-rate",
         "--rate 0 is only allowed with --replay (use --max-rate for no pacing)"},
        {"--center 89.8,0", "--center latitude 89.8 with --radius 0.5 reaches past a pole"},
        {"--center -80,0 --radius 10.5",
         "--center latitude -80 with --radius 10.5 reaches past a pole"},
        {"--nodes /nonexistent/f",
         "cannot read node file '/nonexistent/f': No such file or directory"},
        {"--nodes none", "node file 'none' lists no node with an identifier from 0 to 1000"},
        {"--replay /nonexistent/l",
         "cannot read replay file '/nonexistent/l': No such file or directory"},
        {"--replay empty", "replay file 'empty' has no lines"},
        {"--ids 0-19 --meet 1,20", "--meet 1,20: both must be vehicles of the fleet"},
    };
    for (const auto& c : cases) {
        refused(c.arguments, c.message);
    }
    const ChildProcess::Outcome help = ChildProcess::run(kProgram, {"--port", "0", "--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.out.rfind("usage: fleet-sim [options]\n", 0), 0u);
}

// Nine minutes of a fleet across the date line, each line read by the display: vehicles take
// turns 25 ms apart, stay within the radius, move smoothly and change legs now and then; three
// fall silent for 8 to 16 s at a time (both idle levels of the display, 5 and 10 s, show) and
// talk at least 16 s between; the --meet pair never falls silent and meets 30 s in and every
// 3 minutes: 40 m apart for 15 s, one entry each time into a 100 m alarm (left beyond 110 %).
// The run is repeatable, --last-sent holds each vehicle's last line and the summary goes to
// standard error (standard output stays a clean recording).
TEST(FleetSimCommand, DryRunOfAFleetAsTheDisplayReadsIt) {
    TempDir dir;
    const std::string arguments =
        "--stdout --seed 42 --start-time 1087302896 --rate 2 --duration 550 "
        "--max-rate --center 35,179.8 --meet 1,12 --last-sent last";
    const ChildProcess::Outcome run = fleetSim(dir, arguments);
    const std::string lastSent = TempDir::read(dir.file("last"));
    EXPECT_EQ(run.out, fleetSim(dir, arguments).out);
    EXPECT_NE(run.out.substr(0, 999), fleetSim(dir, arguments + " --seed 43").out.substr(0, 999));
    const std::vector<std::string> lines = linesOf(run.out);
    EXPECT_TRUE(std::regex_match(
        run.err,
        std::regex("fleet-sim: sent " + std::to_string(lines.size()) +
                   " datagrams \\([0-9]+ silent periods\\) to standard output in .*, seed 42\n")))
        << run.err;

    const double perDegree = 6371008.8 * M_PI / 180.0;
    std::map<int, DisplayReading> last;
    std::map<int, std::string> newest;
    std::map<int, double> talkFrom; // the end of a vehicle's last silence
    std::map<int, std::set<std::string>> legs;
    std::set<int> silent;
    int entries = 0, shortOnes = 0, longOnes = 0;
    bool near = false, crossed = false;
    for (const std::string& line : lines) {
        DisplayReading got;
        ASSERT_TRUE(got.read(line)) << line;
        const int id = got.report.id;
        const int64_t slot = (got.utcMilliseconds - kStartMs + 10) / 25;
        const double seconds = slot / 40.0, lat = got.report.latitude, lon = got.report.longitude;
        ASSERT_LE(kStartMs + slot * 25 - got.utcMilliseconds, 10) << line; // cut to hundredths
        ASSERT_EQ(id, slot % 20) << line;
        EXPECT_EQ(got.comment1, "Vehicle " + std::to_string(id));
        legs[id].insert(got.comment2);
        const double off = std::hypot(lat - 35, std::remainder(lon - 179.8, 360));
        ASSERT_LE(off, 0.5 + (id == 12 ? 1e-3 : 1e-5)) << line; // the visitor next to the host
        crossed = crossed || lon < 0;
        if (last.count(id)) {
            const DisplayReading& before = last[id];
            const double gap = seconds - (before.utcMilliseconds - kStartMs) / 1000.0;
            const double step = std::hypot(lat - before.report.latitude,
                                           std::remainder(lon - before.report.longitude, 360));
            ASSERT_LT(step, 0.05 * std::ceil(gap)) << line;
            // The host waits from the visitor's approach until it has left again.
            EXPECT_TRUE(id != 1 || seconds < 20.5 || std::fmod(seconds - 20.5, 180) >= 34.5 ||
                        step == 0)
                << line;
            if (gap > 0.6) { // a silence
                silent.insert(id);
                EXPECT_TRUE(gap > 8 && gap < 16.6) << line;
                (gap < 10 ? shortOnes : longOnes)++;
                EXPECT_GE(seconds - gap - talkFrom.emplace(id, -100).first->second, 15.5) << line;
                talkFrom[id] = seconds;
            }
        }
        last[id] = got;
        newest[id] = line + "\n";
        if (id == 12) {
            const DisplayReading& host = last[1];
            const double metres =
                perDegree * std::hypot(lat - host.report.latitude,
                                       std::remainder(lon - host.report.longitude, 360) *
                                           std::cos(lat * M_PI / 180));
            if (std::fmod(seconds - 30.0, 180.0) >= 0 && std::fmod(seconds - 30.0, 180.0) < 15) {
                EXPECT_NEAR(metres, 40, 1) << seconds;
            }
            if (!near && metres <= 100) {
                EXPECT_NEAR(seconds, 30 + 180 * entries++, 1);
            }
            near = metres <= 110;
        }
    }
    EXPECT_TRUE(entries == 3 && crossed && shortOnes > 0 && longOnes > 0);
    EXPECT_TRUE(silent.size() == 2 || silent.size() == 3); // 3 fall silent, unless one meets
    EXPECT_EQ(silent.count(1) + silent.count(12), 0u);
    std::string expected;
    for (int id = 0; id < 20; ++id) {
        EXPECT_TRUE(legs[id].size() >= 3 && legs[id].size() <= 11) << id;
        expected += newest[id];
    }
    EXPECT_EQ(lastSent, expected);
}

// Garbage goes out like any datagram, a share of the slots, the same slots with the same seed;
// with --duration none in the last second; --last-sent keeps only genuine reports. (Garbage
// may hold line ends: only genuine reports are whole lines.)
TEST(FleetSimCommand, GarbageIsCountedNeverKeptAndSparesTheLastSecond) {
    TempDir dir;
    for (const char* limit : {"--count 600", "--duration 3"}) {
        const std::string arguments =
            "--dry-run --ids 0-9 --seed 2 --start-time 1087302896 --total-rate 300 --max-rate "
            "--garbage 0.5 --last-sent last " +
            std::string(limit);
        const ChildProcess::Outcome run = fleetSim(dir, arguments);
        EXPECT_EQ(run.out, fleetSim(dir, arguments).out);
        const std::vector<std::string> lines = linesOf(run.out);
        std::map<int, std::string> newest;
        size_t lastGarbage = 0, parsedGarbage = 0;
        for (size_t i = 0; i < lines.size(); ++i) {
            DisplayReading got;
            const bool parses = got.read(lines[i]);
            if (parses && got.comment1 == "Vehicle " + std::to_string(got.report.id) &&
                got.utcMilliseconds >= kStartMs && got.utcMilliseconds < kStartMs + 3000) {
                newest[got.report.id] = lines[i] + "\n";
            } else {
                lastGarbage = i;
                parsedGarbage += parses ? 1 : 0; // far-future and older reports, a third
            }
        }
        EXPECT_NEAR(parsedGarbage, 100, 35);
        if (limit[2] == 'd') { // a silent vehicle's turn passes to the next one
            EXPECT_LT(lastGarbage + 300, lines.size()) << "garbage in the last second";
            EXPECT_EQ(run.err.rfind("fleet-sim: sent 900 datagrams (", 0), 0u) << run.err;
        }
        const size_t end = run.err.find(" of them garbage, seed 2\n");
        ASSERT_NE(end, std::string::npos) << run.err;
        EXPECT_NEAR(std::stoi(run.err.substr(run.err.rfind(", ", end) + 2)), 300, 45) << run.err;
        std::string expected;
        for (const auto& [id, line] : newest) {
            expected += line;
        }
        EXPECT_EQ(TempDir::read(dir.file("last")), expected);
    }
}

// Node names as the display reads the node file (ids outside 0 to 1000 skipped, the first line
// of an id counts, the rest of a long line a line of its own), fixed comments cleaned;
// recordings sent line by line without their ends, looped up to the count.
TEST(FleetSimCommand, NodeFilesAndRecordings) {
    TempDir dir;
    const std::string nodes =
        "# north\n7 Truck, red\n12\n2000 Too Big\n\n   \n-3 Negative\n1000 Last\n"
        "3 First\n3 Second\n5\t  Van\r\n8 " +
        std::string(300, 'n') + "\n0 Zero\n";
    dir.write("nodes", nodes);
    const auto named = fleetSim(
        dir,
        "--dry-run --max-rate --nodes nodes --silent-fraction 0 --count 8 --comment2 'Status, ok'");
    std::string names;
    for (const std::string& line : linesOf(named.out)) {
        names += line.substr(0, line.find(",Status; ok,$GPZDA,")) + "|";
    }
    EXPECT_EQ(names, "7,Truck; red|12,Vehicle 12|1000,Last|3,First|5,Van|8," +
                         std::string(63, 'n') + "|0,Vehicle 0|7,Truck; red|");
    EXPECT_EQ(
        fleetSim(dir,
                 "--dry-run --ids 5-9 --count 1 --silent-fraction 0 --comment1 'Depot 4, east'")
            .out.rfind("5,Depot 4; east,Leg ", 0),
        0u);
    dir.write("lines", "one\r\ntwo,2\r\n\r\na\rb\nlast");
    const auto replay = fleetSim(dir, "--dry-run --replay lines --rate 0 --loop --count 7");
    EXPECT_EQ(replay.out, "one\ntwo,2\n\na\rb\nlast\none\ntwo,2\n");
    EXPECT_EQ(replay.err.rfind("fleet-sim: sent 7 datagrams (0 silent periods)", 0), 0u)
        << replay.err;
}

// Interrupted, it ends with status 0, every line written whole and counted in the summary.
TEST(FleetSimCommand, InterruptEndsTheRunCleanlyWithASummary) {
    for (int number : {SIGINT, SIGTERM}) {
        ChildProcess process;
        ASSERT_TRUE(process.start(kProgram, {"--dry-run", "--total-rate", "2000"}));
        ASSERT_TRUE(process.waitForOutput(std::chrono::seconds(10)) && process.signal(number));
        const ChildProcess::Outcome outcome = process.finish(std::chrono::seconds(10));
        ASSERT_TRUE(outcome.exited && outcome.status == 0) << number;
        const std::vector<std::string> lines = linesOf(outcome.out);
        ASSERT_FALSE(lines.empty());
        EXPECT_TRUE(DisplayReading().read(lines.back())) << lines.back();
        EXPECT_EQ(outcome.err.find("fleet-sim: sent " + std::to_string(lines.size()) + " "), 0u)
            << outcome.err;
    }
}

} // namespace
