// The fleet-sim program itself, run as a child process. Only --dry-run and
// argument errors here: nothing is sent.
#include "tests/tools/DatagramShape.h"
#include "tests/tools/ScratchFile.h"
#include "tests/tools/ToolProcess.h"

#include <gtest/gtest.h>

#include <csignal>
#include <map>
#include <sstream>

namespace {

const std::string kProgram = FLEET_SIM_PATH;

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream stream(text);
    std::string line;
    while (std::getline(stream, line)) {
        lines.push_back(line);
    }
    return lines;
}

TEST(FleetSimCommand, HelpPrintsUsage) {
    const ToolProcess::Outcome outcome = ToolProcess::run(kProgram, {"--help"});
    ASSERT_TRUE(outcome.exited);
    EXPECT_EQ(outcome.status, 0);
    EXPECT_EQ(outcome.out.rfind("usage: fleet-sim [options]\n", 0), 0u);
    EXPECT_EQ(outcome.err, "");
}

TEST(FleetSimCommand, BadArgumentsExitWithStatus2AndAMessage) {
    struct Case {
        std::vector<std::string> arguments;
        const char* message;
    };
    const Case cases[] = {
        {{"--port", "70000"},
         "fleet-sim: invalid value '70000' for --port: expected a port number from 1 to 65535\n"},
        {{"--frobnicate"}, "fleet-sim: unknown option '--frobnicate' (see --help)\n"},
        {{"--count"}, "fleet-sim: option --count needs a value\n"},
        {{"--nodes", "/nonexistent/fleet.txt", "--dry-run"},
         "fleet-sim: cannot read node file '/nonexistent/fleet.txt': No such file or directory\n"},
        {{"--replay", "/nonexistent/lines.txt", "--dry-run"},
         "fleet-sim: cannot read replay file '/nonexistent/lines.txt': No such file or "
         "directory\n"},
        {{"--ids", "0-19", "--meet", "1,20", "--dry-run"},
         "fleet-sim: --meet 1,20: both must be vehicles of the fleet\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        const ToolProcess::Outcome outcome = ToolProcess::run(kProgram, c.arguments);
        ASSERT_TRUE(outcome.exited);
        EXPECT_EQ(outcome.status, 2);
        EXPECT_EQ(outcome.err, c.message);
        EXPECT_EQ(outcome.out, "");
    }
}

TEST(FleetSimCommand, DryRunIsRepeatableAndWellFormed) {
    const std::vector<std::string> arguments = {"--dry-run",    "--max-rate", "--seed",  "7",
                                                "--start-time", "1087302896", "--count", "500"};
    const ToolProcess::Outcome first = ToolProcess::run(kProgram, arguments);
    const ToolProcess::Outcome second = ToolProcess::run(kProgram, arguments);
    ASSERT_TRUE(first.exited);
    EXPECT_EQ(first.status, 0);
    EXPECT_EQ(first.out, second.out);
    const std::vector<std::string> lines = linesOf(first.out);
    ASSERT_EQ(lines.size(), 500u);
    for (const std::string& line : lines) {
        ASSERT_EQ(DatagramShape::problem(line), "") << line;
    }
    // The summary goes to standard error, which leaves standard output a clean recording.
    EXPECT_EQ(first.err.rfind("fleet-sim: sent 500 datagrams (", 0), 0u) << first.err;
    EXPECT_NE(first.err.find(" to standard output in "), std::string::npos) << first.err;
    EXPECT_NE(first.err.find(", seed 7\n"), std::string::npos) << first.err;
}

// The last report of each vehicle is the last line with its id; garbage (half
// of the slots here) is counted in the summary and never kept as a report.
TEST(FleetSimCommand, LastSentHoldsEachVehiclesLastReport) {
    ScratchFile last("");
    const ToolProcess::Outcome plain =
        ToolProcess::run(kProgram, {"--dry-run", "--ids", "3-6", "--seed", "2", "--count", "30",
                                    "--max-rate", "--last-sent", last.path()});
    ASSERT_TRUE(plain.exited);
    ASSERT_EQ(plain.status, 0) << plain.err;
    std::map<int, std::string> expected;
    for (const std::string& line : linesOf(plain.out)) {
        expected[std::stoi(line)] = line;
    }
    std::string written;
    for (const auto& [id, line] : expected) {
        written += line + "\n";
    }
    EXPECT_EQ(last.content(), written);

    const ToolProcess::Outcome mixed = ToolProcess::run(
        kProgram, {"--dry-run", "--ids", "3-6", "--seed", "2", "--total-rate", "40", "--duration",
                   "3", "--max-rate", "--garbage", "0.5", "--last-sent", last.path()});
    ASSERT_TRUE(mixed.exited);
    ASSERT_EQ(mixed.status, 0) << mixed.err;
    EXPECT_NE(mixed.err.find(" of them garbage, seed 2\n"), std::string::npos) << mixed.err;
    const std::vector<std::string> lines = linesOf(last.content());
    ASSERT_EQ(lines.size(), 4u);
    for (const std::string& line : lines) {
        EXPECT_EQ(DatagramShape::problem(line), "") << line;
        EXPECT_NE(mixed.out.find(line + "\n"), std::string::npos) << line;
    }
}

TEST(FleetSimCommand, NodeFileNamesBecomeFirstComments) {
    ScratchFile nodes("# test fleet\n4 Truck, red\n9 Van\n");
    const ToolProcess::Outcome outcome =
        ToolProcess::run(kProgram, {"--stdout", "--max-rate", "--nodes", nodes.path(), "--seed",
                                    "3", "--silent-fraction", "0", "--count", "4"});
    ASSERT_TRUE(outcome.exited);
    EXPECT_EQ(outcome.status, 0) << outcome.err;
    const std::vector<std::string> lines = linesOf(outcome.out);
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0].rfind("4,Truck; red,Leg ", 0), 0u) << lines[0];
    EXPECT_EQ(lines[1].rfind("9,Van,Leg ", 0), 0u) << lines[1];
}

TEST(FleetSimCommand, ReplayDryRunWritesTheLinesBack) {
    ScratchFile recording("one\r\ntwo,2\r\n\r\nlast");
    const ToolProcess::Outcome outcome =
        ToolProcess::run(kProgram, {"--dry-run", "--replay", recording.path(), "--rate", "0"});
    ASSERT_TRUE(outcome.exited);
    EXPECT_EQ(outcome.status, 0) << outcome.err;
    EXPECT_EQ(outcome.out, "one\ntwo,2\n\nlast\n");
    EXPECT_EQ(outcome.err.rfind("fleet-sim: sent 4 datagrams (0 silent periods)", 0), 0u)
        << outcome.err;
}

TEST(FleetSimCommand, InterruptEndsTheRunCleanlyWithASummary) {
    for (int number : {SIGINT, SIGTERM}) {
        SCOPED_TRACE(number);
        ToolProcess process;
        ASSERT_TRUE(process.start(kProgram, {"--dry-run", "--total-rate", "2000"}));
        ASSERT_TRUE(process.waitForOutput(std::chrono::seconds(10)));
        ASSERT_TRUE(process.signal(number));
        const ToolProcess::Outcome outcome = process.finish(std::chrono::seconds(10));
        ASSERT_TRUE(outcome.exited);
        EXPECT_EQ(outcome.status, 0);
        EXPECT_EQ(outcome.err.rfind("fleet-sim: sent ", 0), 0u) << outcome.err;
        const std::vector<std::string> lines = linesOf(outcome.out);
        ASSERT_FALSE(lines.empty());
        // Every line written is whole, the last one included.
        EXPECT_EQ(DatagramShape::problem(lines.back()), "") << lines.back();
        EXPECT_EQ(outcome.err.find("fleet-sim: sent " + std::to_string(lines.size()) + " "), 0u)
            << outcome.err;
    }
}

} // namespace
