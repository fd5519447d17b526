// The fleet-sim program run as a user runs it; only --dry-run and refusals: nothing is sent.
// Its output is read back by the display's own parser.
#include "tests/support/ChildProcess.h"
#include "tests/support/TempDir.h"
#include "tests/tools/DisplayReading.h"

#include <gtest/gtest.h>

#include <cmath>
#include <csignal>
#include <map>
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

TEST(FleetSimCommand, RefusalsExitWith2AndOneLine) {
    TempDir dir;
    const std::string none = dir.write("none.txt", "# nothing\n1001 out of range\n"),
                      empty = dir.write("e", "");
    const struct {
        std::vector<std::string> arguments;
        std::string message;
    } cases[] = {
        {{"--count"}, "option --count needs a value"},
        {{"--nodes", "/nonexistent/f"},
         "cannot read node file '/nonexistent/f': No such file or directory"},
        {{"--nodes", none},
         "node file '" + none + "' lists no node with an identifier from 0 to 1000"},
        {{"--replay", "/nonexistent/l"},
         "cannot read replay file '/nonexistent/l': No such file or directory"},
        {{"--replay", empty}, "replay file '" + empty + "' has no lines"},
        {{"--ids", "0-19", "--meet", "1,20"}, "--meet 1,20: both must be vehicles of the fleet"},
    };
    for (auto c : cases) {
        c.arguments.insert(c.arguments.begin(), "--dry-run");
        const ChildProcess::Outcome outcome = ChildProcess::run(kProgram, c.arguments);
        EXPECT_TRUE(outcome.exited && outcome.status == 2 && outcome.out.empty()) << c.message;
        EXPECT_EQ(outcome.err, "fleet-sim: " + c.message + "\n");
    }
    const ChildProcess::Outcome help = ChildProcess::run(kProgram, {"--help"});
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
    const std::vector<std::string> arguments = {
        "--dry-run", "--seed",     "42",          "--start-time",  "1087302896", "--rate",
        "2",         "--duration", "550",         "--max-rate",    "--center",   "35,179.8",
        "--meet",    "1,12",       "--last-sent", dir.file("last")};
    const ChildProcess::Outcome run = ChildProcess::run(kProgram, arguments);
    ASSERT_TRUE(run.exited && run.status == 0) << run.err;
    const std::string lastSent = TempDir::read(dir.file("last"));
    EXPECT_EQ(run.out, ChildProcess::run(kProgram, arguments).out);
    std::vector<std::string> otherSeed = arguments;
    otherSeed[2] = "43";
    EXPECT_NE(run.out.substr(0, 2000), ChildProcess::run(kProgram, otherSeed).out.substr(0, 2000));
    const std::vector<std::string> lines = linesOf(run.out);
    EXPECT_EQ(run.err.rfind("fleet-sim: sent " + std::to_string(lines.size()) + " datagrams (", 0),
              0u)
        << run.err;
    EXPECT_NE(run.err.find(" to standard output in "), std::string::npos) << run.err;
    EXPECT_NE(run.err.find(", seed 42\n"), std::string::npos) << run.err;

    const double perDegree = 6371008.8 * M_PI / 180.0;
    std::map<int, DisplayReading> last;
    std::map<int, std::string> newest;
    std::map<int, double> talkFrom; // the end of a vehicle's last silence
    std::map<int, std::set<std::string>> legs;
    std::map<int, std::vector<double>> gaps; // silences and the talks before them, seconds
    std::vector<double> entries;
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
            if (gap > 0.6) {
                gaps[id].push_back(gap);
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
                entries.push_back(seconds);
            }
            near = metres <= 110;
        }
    }
    ASSERT_EQ(entries.size(), 3u);
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_NEAR(entries[i], 30 + 180 * i, 1);
    }
    EXPECT_TRUE(crossed);
    EXPECT_TRUE(gaps.size() == 2 || gaps.size() == 3); // 3 fall silent, unless one meets
    EXPECT_EQ(gaps.count(1) + gaps.count(12), 0u);
    int shortOnes = 0, longOnes = 0;
    for (const auto& [id, silences] : gaps) {
        for (const double gap : silences) {
            EXPECT_TRUE(gap > 8 && gap < 16.6) << id << " " << gap;
            (gap < 10 ? shortOnes : longOnes)++;
        }
    }
    EXPECT_TRUE(shortOnes > 0 && longOnes > 0);
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
    for (const char* limit : {"--count", "--duration"}) {
        const std::vector<std::string> arguments = {"--dry-run",
                                                    "--ids",
                                                    "0-9",
                                                    "--seed",
                                                    "2",
                                                    "--start-time",
                                                    "1087302896",
                                                    "--total-rate",
                                                    "300",
                                                    limit,
                                                    limit[2] == 'c' ? "600" : "3",
                                                    "--max-rate",
                                                    "--garbage",
                                                    "0.5",
                                                    "--last-sent",
                                                    dir.file("last")};
        const ChildProcess::Outcome run = ChildProcess::run(kProgram, arguments);
        ASSERT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(run.out, ChildProcess::run(kProgram, arguments).out);
        const std::vector<std::string> lines = linesOf(run.out);
        std::map<int, std::string> newest;
        size_t lastGarbage = 0;
        for (size_t i = 0; i < lines.size(); ++i) {
            DisplayReading got;
            if (got.read(lines[i]) && got.comment1 == "Vehicle " + std::to_string(got.report.id) &&
                got.utcMilliseconds >= kStartMs && got.utcMilliseconds < kStartMs + 3000) {
                newest[got.report.id] = lines[i] + "\n";
            } else {
                lastGarbage = i;
            }
        }
        if (limit[2] == 'd') {
            EXPECT_LT(lastGarbage + 300, lines.size()) << "garbage in the last second";
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
    const ChildProcess::Outcome named = ChildProcess::run(
        kProgram, {"--dry-run", "--max-rate", "--nodes", dir.write("nodes.txt", nodes),
                   "--silent-fraction", "0", "--count", "8", "--comment2", "Status, ok"});
    std::string names;
    for (const std::string& line : linesOf(named.out)) {
        names += line.substr(0, line.find(",Status; ok,$GPZDA,")) + "|";
    }
    EXPECT_EQ(names, "7,Truck; red|12,Vehicle 12|1000,Last|3,First|5,Van|8," +
                         std::string(63, 'n') + "|0,Vehicle 0|7,Truck; red|");
    const ChildProcess::Outcome replay =
        ChildProcess::run(kProgram, {"--dry-run", "--replay",
                                     dir.write("lines.txt", "one\r\ntwo,2\r\n\r\na\rb\nlast"),
                                     "--rate", "0", "--loop", "--count", "7"});
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
