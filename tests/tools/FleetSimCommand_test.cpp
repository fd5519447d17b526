// The fleet-sim program itself, run as a child process. Only --dry-run and argument errors here:
// nothing is sent. Its output is read back by the display's own parser.
#include "tests/support/ChildProcess.h"
#include "tests/support/TempDir.h"
#include "tests/tools/DisplayReading.h"

#include <gtest/gtest.h>

#include <cmath>
#include <csignal>
#include <map>
#include <sstream>

namespace {

using testsupport::ChildProcess;
const std::string kProgram = FLEET_SIM_PATH;

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream stream(text);
    for (std::string line; std::getline(stream, line);) {
        lines.push_back(line);
    }
    return lines;
}

TEST(FleetSimCommand, BadArgumentsExitWithStatus2AndAMessage) {
    const struct {
        std::vector<std::string> arguments;
        const char* message;
    } cases[] = {
        {{"--count"}, "fleet-sim: option --count needs a value\n"},
        {{"--nodes", "/nonexistent/fleet.txt", "--dry-run"},
         "fleet-sim: cannot read node file '/nonexistent/fleet.txt': No such file or directory\n"},
        {{"--replay", "/nonexistent/lines.txt", "--dry-run"},
         "fleet-sim: cannot read replay file '/nonexistent/lines.txt': No such file or "
         "directory\n"},
        {{"--ids", "0-19", "--meet", "1,20", "--dry-run"},
         "fleet-sim: --meet 1,20: both must be vehicles of the fleet\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message);
        const ChildProcess::Outcome outcome = ChildProcess::run(kProgram, c.arguments);
        ASSERT_TRUE(outcome.exited);
        EXPECT_EQ(outcome.status, 2);
        EXPECT_EQ(outcome.err, c.message);
        EXPECT_EQ(outcome.out, "");
    }
    const ChildProcess::Outcome help = ChildProcess::run(kProgram, {"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.out.rfind("usage: fleet-sim [options]\n", 0), 0u);
}

// A dry run is repeatable, every line parses in the display, the summary goes to standard error
// (standard output stays a clean recording), and --last-sent holds each vehicle's last line.
TEST(FleetSimCommand, DryRunParsesWholeInTheDisplay) {
    testsupport::TempDir dir;
    const std::string last = dir.file("last.txt");
    const std::vector<std::string> arguments = {
        "--dry-run",         "--ids",      "0-49",        "--seed", "7",
        "--start-time",      "1750000000", "--count",     "2000",   "--max-rate",
        "--silent-fraction", "0.3",        "--last-sent", last};
    const ChildProcess::Outcome first = ChildProcess::run(kProgram, arguments);
    ASSERT_TRUE(first.exited);
    ASSERT_EQ(first.status, 0) << first.err;
    const std::string lastContent = testsupport::TempDir::read(last);
    EXPECT_EQ(first.out, ChildProcess::run(kProgram, arguments).out);
    EXPECT_EQ(first.err.rfind("fleet-sim: sent 2000 datagrams (", 0), 0u) << first.err;
    EXPECT_NE(first.err.find(" to standard output in "), std::string::npos) << first.err;
    EXPECT_NE(first.err.find(", seed 7\n"), std::string::npos) << first.err;

    const std::vector<std::string> lines = linesOf(first.out);
    ASSERT_EQ(lines.size(), 2000u);
    std::map<int, std::string> newest;
    for (const std::string& line : lines) {
        SCOPED_TRACE(line);
        DisplayReading got;
        ASSERT_TRUE(DisplayReading::read(line, got));
        ASSERT_GE(got.id, 0);
        ASSERT_LE(got.id, 49);
        EXPECT_GE(got.utcMilliseconds, 1750000000000);
        EXPECT_LT(got.utcMilliseconds, 1750003600000);
        EXPECT_NEAR(got.latitude, 35.0, 0.5 + 1e-6);
        EXPECT_NEAR(got.longitude, -115.0, 0.5 / std::cos(35.0 * M_PI / 180.0) + 1e-6);
        newest[got.id] = line;
    }
    std::string expected;
    for (const auto& [id, line] : newest) {
        expected += line + "\n";
    }
    EXPECT_EQ(lastContent, expected);

    // Garbage is counted in the summary and never kept as a last report.
    const ChildProcess::Outcome mixed = ChildProcess::run(
        kProgram, {"--dry-run", "--ids", "3-6", "--seed", "2", "--total-rate", "40", "--duration",
                   "3", "--max-rate", "--garbage", "0.5", "--last-sent", last});
    ASSERT_EQ(mixed.status, 0) << mixed.err;
    EXPECT_NE(mixed.err.find(" of them garbage, seed 2\n"), std::string::npos) << mixed.err;
    const std::vector<std::string> kept = linesOf(testsupport::TempDir::read(last));
    ASSERT_EQ(kept.size(), 4u);
    for (const std::string& line : kept) {
        DisplayReading got;
        EXPECT_TRUE(DisplayReading::read(line, got)) << line;
        EXPECT_NE(mixed.out.find(line + "\n"), std::string::npos) << line;
    }
}

TEST(FleetSimCommand, NodeNamesAndReplayLines) {
    testsupport::TempDir dir;
    const ChildProcess::Outcome named =
        ChildProcess::run(kProgram, {"--stdout", "--max-rate", "--nodes",
                                     dir.write("nodes.txt", "# test fleet\n4 Truck, red\n9 Van\n"),
                                     "--seed", "3", "--silent-fraction", "0", "--count", "4"});
    EXPECT_EQ(named.status, 0) << named.err;
    const std::vector<std::string> lines = linesOf(named.out);
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0].rfind("4,Truck; red,Leg ", 0), 0u) << lines[0];
    EXPECT_EQ(lines[1].rfind("9,Van,Leg ", 0), 0u) << lines[1];

    const ChildProcess::Outcome replay = ChildProcess::run(
        kProgram, {"--dry-run", "--replay", dir.write("lines.txt", "one\r\ntwo,2\r\n\r\nlast"),
                   "--rate", "0"});
    EXPECT_EQ(replay.status, 0) << replay.err;
    EXPECT_EQ(replay.out, "one\ntwo,2\n\nlast\n");
    EXPECT_EQ(replay.err.rfind("fleet-sim: sent 4 datagrams (0 silent periods)", 0), 0u)
        << replay.err;
}

TEST(FleetSimCommand, InterruptEndsTheRunCleanlyWithASummary) {
    for (int number : {SIGINT, SIGTERM}) {
        SCOPED_TRACE(number);
        ChildProcess process;
        ASSERT_TRUE(process.start(kProgram, {"--dry-run", "--total-rate", "2000"}));
        ASSERT_TRUE(process.waitForOutput(std::chrono::seconds(10)));
        ASSERT_TRUE(process.signal(number));
        const ChildProcess::Outcome outcome = process.finish(std::chrono::seconds(10));
        ASSERT_TRUE(outcome.exited);
        EXPECT_EQ(outcome.status, 0);
        const std::vector<std::string> lines = linesOf(outcome.out);
        ASSERT_FALSE(lines.empty());
        // Every line written is whole, the last one included, and the summary counts them.
        DisplayReading got;
        EXPECT_TRUE(DisplayReading::read(lines.back(), got)) << lines.back();
        EXPECT_EQ(outcome.err.find("fleet-sim: sent " + std::to_string(lines.size()) + " "), 0u)
            << outcome.err;
    }
}

} // namespace
