// The relay as users run it, in a private network namespace and a virtual X
// server: fleet-sim sends packets, display A receives them and writes its
// snapshots into the document folder of a real web server (nginx), and
// display B follows A by fetching that snapshot over HTTP.
#include "tests/app/ProgramHarness.h"
#include "tests/support/TempDir.h"
#include "tests/support/ZoneGuard.h"

#include <gtest/gtest.h>

#include <sys/socket.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

using namespace std::chrono_literals;
using programtest::ProgramHarness;
using Records = std::vector<inputs::StateRecord>;

constexpr const char* kGroup = "239.255.6.6";
constexpr long kFirstBurst = 1750000000;
constexpr long kSecondBurst = 1750000600;

std::string describe(const Records& records) {
    std::string text;
    for (const inputs::StateRecord& r : records) {
        text += std::to_string(r.id) + " " + r.name + " " + std::to_string(r.seconds) + "." +
                std::to_string(r.milliseconds) + " status " + std::to_string(r.status) + "\n";
    }
    return text;
}

class ProgramRelay : public ::testing::Test {
protected:
    // Whether A's snapshot holds the newest report of each vehicle of a burst.
    bool aHasBurst(const std::map<int, ProgramHarness::Sent>& burst) {
        const auto records = ProgramHarness::snapshotById(snapshotA);
        for (const auto& [id, sent] : burst) {
            const auto found = records.find(id);
            if (found == records.end() || found->second.seconds != sent.seconds ||
                found->second.milliseconds != sent.milliseconds) {
                return false;
            }
        }
        return true;
    }
    std::map<int, ProgramHarness::Sent> sendBurst(int seed, long startTime) {
        const std::vector<std::string> burst =
            ProgramHarness::fleetSim(kGroup, multicastPort, "0-7", seed, startTime, 48, 200);
        std::vector<std::string> dryRun = burst;
        dryRun.push_back("--dry-run");
        dryRun.push_back("--max-rate");
        const std::string datagrams = dir.file("datagrams.txt");
        harness.run(dryRun, datagrams);
        const ProgramHarness::Exit sent = harness.run(burst, "/dev/null");
        EXPECT_TRUE(sent.exited && sent.status == 0) << "fleet-sim failed";
        return ProgramHarness::newestReports(ProgramHarness::readAll(datagrams));
    }

    testsupport::ZoneGuard zone{"UTC"};
    testsupport::TempDir dir;
    ProgramHarness harness;
    int multicastPort = ProgramHarness::freePort(SOCK_DGRAM);
    int httpPort = ProgramHarness::freePort(SOCK_STREAM);
    std::string snapshotA = dir.file("www/snap.txt");
    std::string snapshotB = dir.file("b/snap.txt");
};

TEST_F(ProgramRelay, FollowsOverHttpAndOutlivesTheServer) {
    std::filesystem::create_directories(dir.path() / "www");
    ASSERT_TRUE(harness.startWebServer((dir.path() / "www").string(), httpPort));

    // Idle limits far away: the statuses A writes stay put while the test
    // runs (0 for vehicles that reported, 2 for the two that never do).
    std::string nodesA;
    for (int id = 0; id < 10; ++id) {
        nodesA += std::to_string(id) + " Vehicle " + std::to_string(id) + "\n";
    }
    const std::string a = ProgramHarness::writeDisplay(
        dir.path() / "a", nodesA,
        "Active Input MULTICAST\nActive Output LOCAL_STATE\nOutput LocalStateFile " + snapshotA +
            "\n",
        kGroup, multicastPort, "PreferenceFile prefs.txt\n");
    std::ofstream(dir.file("a/prefs.txt")) << "alert mediumIdle 100000\nalert badIdle 200000\n";
    // B knows half the fleet: the rest arrive as late records.
    const std::string b = ProgramHarness::writeDisplay(
        dir.path() / "b", "0 Zero\n1 One\n2 Two\n3 Three\n4 Four\n",
        "Active Input REMOTE_STATE\nInput RemoteIp 127.0.0.1\nInput RemotePort " +
            std::to_string(httpPort) +
            "\nInput RemoteStateFile /snap.txt\nActive Output LOCAL_STATE\n"
            "Output LocalStateFile snap.txt\n");
    const pid_t displayA = harness.spawn({TARNELL_MAP_PATH, a});
    const pid_t displayB = harness.spawn({TARNELL_MAP_PATH, b});

    // A's first snapshot comes after its receivers have joined the group.
    ASSERT_TRUE(
        harness.waitFor([&] { return !ProgramHarness::snapshotRecords(snapshotA).empty(); }, 20s));
    const auto firstBurst = sendBurst(11, kFirstBurst);
    ASSERT_EQ(firstBurst.size(), 8u);
    ASSERT_TRUE(harness.waitFor([&] { return aHasBurst(firstBurst); }, 10s))
        << describe(ProgramHarness::snapshotRecords(snapshotA));
    const Records first = ProgramHarness::snapshotRecords(snapshotA);
    ASSERT_EQ(first.size(), 10u);
    EXPECT_EQ(first[8].status, 2);
    EXPECT_EQ(first[0].status, 0);

    // B's first poll comes one remote period (10 s) after its start.
    EXPECT_TRUE(harness.waitFor(
        [&] {
            return ProgramHarness::sameRecords(ProgramHarness::snapshotRecords(snapshotB), first);
        },
        25s))
        << "A:\n"
        << describe(first) << "B:\n"
        << describe(ProgramHarness::snapshotRecords(snapshotB));
    // The late records took the names A's records carry, and B's own
    // records were renamed the same way.
    const auto relayed = ProgramHarness::snapshotById(snapshotB);
    ASSERT_EQ(relayed.count(7), 1u);
    EXPECT_EQ(relayed.at(7).name, "Vehicle 7");
    EXPECT_EQ(relayed.at(2).name, "Vehicle 2");
    const int requestsBefore = harness.webRequestCount();
    EXPECT_GE(requestsBefore, 1);

    // While the server is away A moves on; B keeps what it had and keeps
    // running through at least one failed poll.
    ASSERT_TRUE(harness.stopWebServer());
    const auto stoppedAt = std::chrono::steady_clock::now();
    const auto secondBurst = sendBurst(12, kSecondBurst);
    ASSERT_TRUE(harness.waitFor([&] { return aHasBurst(secondBurst); }, 10s));
    bool keptRecords = true;
    harness.waitFor(
        [&] {
            keptRecords =
                keptRecords && harness.running(displayB) &&
                ProgramHarness::sameRecords(ProgramHarness::snapshotRecords(snapshotB), first);
            return !keptRecords || std::chrono::steady_clock::now() - stoppedAt > 11s;
        },
        20s);
    EXPECT_TRUE(keptRecords) << describe(ProgramHarness::snapshotRecords(snapshotB));
    ASSERT_TRUE(harness.running(displayB));

    // Back again: the next poll brings A's new picture.
    ASSERT_TRUE(harness.startWebServer((dir.path() / "www").string(), httpPort));
    const Records second = ProgramHarness::snapshotRecords(snapshotA);
    EXPECT_FALSE(ProgramHarness::sameRecords(first, second));
    EXPECT_TRUE(harness.waitFor(
        [&] {
            return ProgramHarness::sameRecords(ProgramHarness::snapshotRecords(snapshotB), second);
        },
        15s))
        << "A:\n"
        << describe(second) << "B:\n"
        << describe(ProgramHarness::snapshotRecords(snapshotB));

    for (const pid_t display : {displayA, displayB}) {
        const ProgramHarness::Closed closed = harness.closeWindow(display, 10s);
        ASSERT_TRUE(closed.found);
        EXPECT_TRUE(closed.exit.exited && closed.exit.status == 0) << "ended " << closed.exit.ended;
    }
}

} // namespace
