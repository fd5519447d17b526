// The program end to end, in a private network namespace and a virtual X
// server: fleet-sim's datagrams in, snapshot lines out, every field checked
// against what was sent; a second display following the first through the
// local state input; and a close request while packets keep arriving.
#include "tests/app/ProgramHarness.h"
#include "tests/support/TempDir.h"
#include "tests/support/ZoneGuard.h"

#include <gtest/gtest.h>

#include <sys/socket.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>

namespace {

using namespace std::chrono_literals;
using programtest::ProgramHarness;
using Records = std::vector<inputs::StateRecord>;

constexpr const char* kGroup = "239.255.6.7";
constexpr long kStartTime = 1750000000;

// The vehicles that report (0 to 7) in an order of their own, and one that
// never does: a snapshot lists them in node file order.
const char* const kNodes = "5 Vehicle 5\n0 Vehicle 0\n7 Vehicle 7\n12 Quiet One\n3 Vehicle 3\n"
                           "1 Vehicle 1\n2 Vehicle 2\n4 Vehicle 4\n6 Vehicle 6\n";
const int kOrder[] = {5, 0, 7, 12, 3, 1, 2, 4, 6};

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        lines.push_back(line);
    }
    return lines;
}

class ProgramEndToEnd : public ::testing::Test {
protected:
    // Display A: multicast in, snapshots out, idle limits far away so the
    // statuses it writes stay put (0 once reported, 2 before).
    pid_t startDisplayA(const std::string& log = "") {
        const std::string a = ProgramHarness::writeDisplay(
            dir.path() / "a", kNodes,
            "Active Input MULTICAST\nActive Output LOCAL_STATE\nOutput LocalStateFile snap.txt\n",
            kGroup, multicastPort, "PreferenceFile prefs.txt\n");
        std::ofstream(dir.file("a/prefs.txt")) << "alert mediumIdle 100000\nalert badIdle 200000\n";
        const pid_t display = harness.spawn({TARNELL_MAP_PATH, a}, log);
        // The first snapshot comes after the receivers have joined the group.
        EXPECT_TRUE(harness.waitFor(
            [&] { return !ProgramHarness::snapshotRecords(snapshotA).empty(); }, 20s));
        return display;
    }
    // Sends a burst and waits until A's snapshot holds its newest reports.
    std::map<int, ProgramHarness::Sent> sendBurst(int seed) {
        const std::vector<std::string> burst =
            ProgramHarness::fleetSim(kGroup, multicastPort, "0-7", seed, kStartTime, 64, 200);
        std::vector<std::string> dryRun = burst;
        dryRun.push_back("--dry-run");
        dryRun.push_back("--max-rate");
        harness.run(dryRun, dir.file("datagrams.txt"));
        const ProgramHarness::Exit sent = harness.run(burst, "/dev/null");
        EXPECT_TRUE(sent.exited && sent.status == 0) << "fleet-sim failed";
        const auto newest =
            ProgramHarness::newestReports(ProgramHarness::readAll(dir.file("datagrams.txt")));
        EXPECT_TRUE(harness.waitFor(
            [&] {
                const auto records = ProgramHarness::snapshotById(snapshotA);
                for (const auto& [id, report] : newest) {
                    const auto found = records.find(id);
                    if (found == records.end() || found->second.seconds != report.seconds ||
                        found->second.milliseconds != report.milliseconds) {
                        return false;
                    }
                }
                return true;
            },
            10s))
            << ProgramHarness::readAll(snapshotA);
        return newest;
    }
    void closeAndExpectCleanExit(pid_t display) {
        const ProgramHarness::Closed closed = harness.closeWindow(display, 10s);
        ASSERT_TRUE(closed.found);
        EXPECT_TRUE(closed.exit.exited && closed.exit.status == 0)
            << "ended " << closed.exit.ended << " status " << closed.exit.status;
    }

    testsupport::ZoneGuard zone{"UTC"};
    testsupport::TempDir dir;
    ProgramHarness harness;
    int multicastPort = ProgramHarness::freePort(SOCK_DGRAM);
    std::string snapshotA = dir.file("a/snap.txt");
};

// One run: the snapshot holds every field sent, a second display follows the first through the
// local state input, and at exit the first one's port says what it took.
TEST_F(ProgramEndToEnd, SnapshotHoldsEveryFieldSentAndAFollowerTakesIt) {
    const std::string log = dir.file("a.log");
    const pid_t display = startDisplayA(log);
    const auto sent = sendBurst(21);
    ASSERT_EQ(sent.size(), 8u);

    const std::vector<std::string> lines = linesOf(ProgramHarness::readAll(snapshotA));
    ASSERT_EQ(lines.size(), std::size(kOrder) + 2);
    EXPECT_EQ(lines.front(), "<rvx>");
    EXPECT_EQ(lines.back(), "</rvx>");
    // The age sits between status and comments: seconds since receipt, three
    // decimals, zero-padded to five characters.
    const std::regex age("[0-9]+\\.[0-9]{3}");
    for (std::size_t i = 0; i < std::size(kOrder); ++i) {
        const int id = kOrder[i];
        SCOPED_TRACE(id);
        const std::string& line = lines[i + 1];
        char head[160];
        std::string tail;
        if (id == 12) {
            std::snprintf(head, sizeof head, "$012,0.000000,0.000000,0,0,2,");
            tail = ",,,Quiet One*";
        } else {
            const ProgramHarness::Sent& report = sent.at(id);
            std::snprintf(head, sizeof head, "$%03d,%s,%s,%ld,%d,0,", id, report.latitude.c_str(),
                          report.longitude.c_str(), report.seconds, report.milliseconds);
            tail = "," + report.comment1 + "," + report.comment2 + ",Vehicle " +
                   std::to_string(id) + "*";
        }
        ASSERT_EQ(line.rfind(head, 0), 0u) << line;
        ASSERT_GE(line.size(), std::strlen(head) + tail.size());
        ASSERT_EQ(line.substr(line.size() - tail.size()), tail) << line;
        const std::string ageText =
            line.substr(std::strlen(head), line.size() - tail.size() - std::strlen(head));
        EXPECT_TRUE(std::regex_match(ageText, age)) << line;
        EXPECT_GE(ageText.size(), 5u) << line;
        if (id != 12) {
            EXPECT_LT(std::stod(ageText), 60.0) << line;
        }
    }
    const Records recordsA = ProgramHarness::snapshotRecords(snapshotA);
    ASSERT_EQ(recordsA.size(), std::size(kOrder));

    // B knows two of the nodes, in an order of its own, under other names:
    // it lists those first, then the others in the order A's file gives them,
    // and every record takes A's fields, names included.
    const std::string b = ProgramHarness::writeDisplay(
        dir.path() / "b", "7 Seven\n2 Two\n",
        "Active Input LOCAL_STATE\nInput LocalStateFile " + snapshotA +
            "\nActive Output LOCAL_STATE\nOutput LocalStateFile snap.txt\n");
    const pid_t displayB = harness.spawn({TARNELL_MAP_PATH, b});
    Records expected;
    for (const int id : {7, 2}) {
        for (const inputs::StateRecord& record : recordsA) {
            if (record.id == id) {
                expected.push_back(record);
            }
        }
    }
    for (const inputs::StateRecord& record : recordsA) {
        if (record.id != 7 && record.id != 2) {
            expected.push_back(record);
        }
    }
    const std::string snapshotB = dir.file("b/snap.txt");
    EXPECT_TRUE(harness.waitFor(
        [&] {
            return ProgramHarness::sameRecords(ProgramHarness::snapshotRecords(snapshotB),
                                               expected);
        },
        15s))
        << ProgramHarness::readAll(snapshotB);
    closeAndExpectCleanExit(displayB);
    closeAndExpectCleanExit(display);
    // At exit the port says what it took: each of the 64 datagrams was received or lost before
    // that, and a loss is counted.
    const std::regex traffic("Port fleet " + std::string(kGroup) + ":" +
                             std::to_string(multicastPort) +
                             ": ([0-9]+) datagrams received, ([0-9]+) dropped \\(queue full\\), "
                             "([0-9]+) lost in the system \\(receive buffer full\\)\n");
    const std::string output = ProgramHarness::readAll(log);
    std::smatch counts;
    ASSERT_TRUE(std::regex_search(output, counts, traffic)) << output;
    EXPECT_EQ(std::stoi(counts[1]) + std::stoi(counts[3]), 64) << output;
}

TEST_F(ProgramEndToEnd, CloseRequestEndsItWhilePacketsArrive) {
    const pid_t display = startDisplayA();
    // A stream that outlasts the test; the remote timer is armed from the
    // start, whatever the input.
    std::vector<std::string> stream =
        ProgramHarness::fleetSim(kGroup, multicastPort, "0-7", 23, kStartTime, 100000, 400);
    const pid_t sender = harness.spawn(stream);
    int previous = 0;
    int advances = 0;
    ASSERT_TRUE(harness.waitFor(
        [&] {
            const auto records = ProgramHarness::snapshotById(snapshotA);
            const int newest = records.count(0) != 0 ? records.at(0).seconds : 0;
            if (newest > previous) {
                previous = newest;
                ++advances;
            }
            return advances >= 2;
        },
        10s));
    ASSERT_TRUE(harness.running(sender));

    const ProgramHarness::Closed closed = harness.closeWindow(display, 10s);
    ASSERT_TRUE(closed.found);
    ASSERT_TRUE(closed.exit.exited) << "still running or killed";
    EXPECT_EQ(closed.exit.status, 0);
    EXPECT_TRUE(harness.running(sender)) << "the packets stopped before the close";
}

} // namespace
