// The whole chain as users run it, in a private network namespace and a
// virtual X server: fleet-sim sends packets, display A receives them and
// writes snapshots, display B relays A's snapshot from the local file, and
// display C fetches it over HTTP from Python's web server.
#include "inputs/PacketParser.h"
#include "inputs/StateRecord.h"

#include "tests/support/TempDir.h"
#include "tests/support/ZoneGuard.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr const char* kGroup = "239.255.6.6";

int testPort() {
    return 26000 + static_cast<int>(getpid() % 4000);
}

std::string readAll(const std::string& path) {
    std::ifstream in(path);
    std::stringstream out;
    out << in.rdbuf();
    return out.str();
}

// The records of a snapshot by identifier.
std::map<int, inputs::StateRecord> recordsOf(const std::string& text) {
    std::map<int, inputs::StateRecord> records;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        inputs::StateRecord record;
        if (record.parse(line.c_str())) {
            records[record.id] = record;
        }
    }
    return records;
}

pid_t spawn(const std::vector<std::string>& arguments, const std::string& out = "/dev/null") {
    const pid_t child = fork();
    if (child == 0) {
        std::freopen(out.c_str(), "w", stdout);
        std::vector<char*> argv;
        for (const std::string& a : arguments) {
            argv.push_back(const_cast<char*>(a.c_str()));
        }
        argv.push_back(nullptr);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    return child;
}

void stop(pid_t child) {
    if (child > 0) {
        kill(child, SIGTERM);
        waitpid(child, nullptr, 0);
    }
}

template <typename Condition> bool waitFor(Condition condition, std::chrono::seconds limit) {
    const auto deadline = Clock::now() + limit;
    while (!condition()) {
        if (Clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(100ms);
    }
    return true;
}

class ProgramRelay : public ::testing::Test {
protected:
    void SetUp() override {
        std::string nodes;
        for (int id = 0; id < 10; ++id) {
            nodes += std::to_string(id) + " Vehicle " + std::to_string(id) + "\n";
        }
        dir.write("a/nodes.txt", nodes);
    }
    void TearDown() override {
        for (pid_t child : children) {
            stop(child);
        }
    }
    std::string display(const std::string& name, const std::string& nodes, const std::string& io,
                        bool ports) {
        std::filesystem::create_directories(dir.path() / name);
        dir.write(name + "/nodes.txt", nodes);
        dir.write(name + "/ports.txt",
                  "fleet " + std::string(kGroup) + " " + std::to_string(testPort()) + "\n");
        dir.write(name + "/io.txt", io);
        return dir.write(name + "/site.cfg", std::string("NodeFile nodes.txt\nWWWFile io.txt\n") +
                                                 (ports ? "PortFile ports.txt\n" : ""));
    }

    testsupport::ZoneGuard zone{"UTC"};
    testsupport::TempDir dir;
    std::vector<pid_t> children;
};

TEST_F(ProgramRelay, PacketsInSnapshotsOutRelayedTwice) {
    // The same datagrams fleet-sim will send, to know every field exactly.
    const std::vector<std::string> simulation = {FLEET_SIM_PATH,
                                                 "--group",
                                                 kGroup,
                                                 "--port",
                                                 std::to_string(testPort()),
                                                 "--ids",
                                                 "0-9",
                                                 "--seed",
                                                 "5",
                                                 "--start-time",
                                                 "1750000000",
                                                 "--count",
                                                 "60",
                                                 "--total-rate",
                                                 "40",
                                                 "--silent-fraction",
                                                 "0"};
    std::vector<std::string> dryRun = simulation;
    dryRun.push_back("--dry-run");
    const std::string datagramsPath = dir.file("datagrams.txt");
    const pid_t dry = spawn(dryRun, datagramsPath);
    waitpid(dry, nullptr, 0);
    std::map<int, inputs::StateRecord> sent;
    {
        std::istringstream lines(readAll(datagramsPath));
        std::string line;
        while (std::getline(lines, line)) {
            inputs::PositionReport report;
            ASSERT_TRUE(inputs::PacketParser::parse(line.data(), report));
            inputs::StateRecord& r = sent[report.id];
            r.id = report.id;
            r.latitude = report.latitude;
            r.longitude = report.longitude;
            r.seconds = report.reportTime.time;
            r.milliseconds = report.reportTime.millitm;
            r.comment1 = report.comment1;
            r.comment2 = report.comment2;
        }
    }
    ASSERT_EQ(sent.size(), 10u);

    std::string nodes;
    for (int id = 0; id < 10; ++id) {
        nodes += std::to_string(id) + " Vehicle " + std::to_string(id) + "\n";
    }
    const std::string a = display("a", nodes,
                                  "Active Input MULTICAST\nActive Output LOCAL_STATE\n"
                                  "Output LocalStateFile snap.txt\n",
                                  true);
    children.push_back(spawn({TARNELL_MAP_PATH, a}));
    std::this_thread::sleep_for(1500ms); // the receivers join the group
    children.push_back(spawn(simulation));

    const std::string snapshotA = (dir.path() / "a/snap.txt").string();
    auto matchesSent = [&] {
        const auto records = recordsOf(readAll(snapshotA));
        for (const auto& [id, expected] : sent) {
            const auto found = records.find(id);
            if (found == records.end() || found->second.seconds != expected.seconds ||
                found->second.milliseconds != expected.milliseconds) {
                return false;
            }
        }
        return true;
    };
    ASSERT_TRUE(waitFor(matchesSent, 30s)) << readAll(snapshotA);
    const auto recordsA = recordsOf(readAll(snapshotA));
    for (const auto& [id, expected] : sent) {
        SCOPED_TRACE(id);
        const inputs::StateRecord& got = recordsA.at(id);
        char lat[64];
        char expectedLat[64];
        std::snprintf(lat, sizeof lat, "%f,%f", got.latitude, got.longitude);
        std::snprintf(expectedLat, sizeof expectedLat, "%f,%f", expected.latitude,
                      expected.longitude);
        EXPECT_STREQ(lat, expectedLat);
        EXPECT_EQ(got.comment1, expected.comment1);
        EXPECT_EQ(got.comment2, expected.comment2);
        EXPECT_EQ(got.name, "Vehicle " + std::to_string(id));
    }

    // B knows only half the fleet: the rest arrive as late records, then take
    // their names from A's snapshot.
    const std::string b =
        display("b", "0 Zero\n1 One\n2 Two\n3 Three\n4 Four\n",
                "Active Input LOCAL_STATE\nInput LocalStateFile " + snapshotA +
                    "\nActive Output LOCAL_STATE\nOutput LocalStateFile snap.txt\n",
                false);
    children.push_back(spawn({TARNELL_MAP_PATH, b}));
    const std::string snapshotB = (dir.path() / "b/snap.txt").string();
    auto sameAsA = [&] {
        const auto recordsB = recordsOf(readAll(snapshotB));
        if (recordsB.size() != recordsA.size()) {
            return false;
        }
        for (const auto& [id, record] : recordsA) {
            const auto found = recordsB.find(id);
            if (found == recordsB.end() || found->second.name != record.name ||
                found->second.seconds != record.seconds ||
                found->second.latitude != record.latitude ||
                found->second.comment1 != record.comment1) {
                return false;
            }
        }
        return true;
    };
    EXPECT_TRUE(waitFor(sameAsA, 30s)) << readAll(snapshotB);

    // C fetches A's snapshot over HTTP (the first poll comes after the
    // default "10 spp").
    const int httpPort = testPort() + 1;
    children.push_back(spawn({"python3", "-m", "http.server", std::to_string(httpPort), "--bind",
                              "127.0.0.1", "--directory", (dir.path() / "a").string()}));
    const std::string c =
        display("c", "0 Zero\n",
                "Active Input REMOTE_STATE\nInput RemoteIp 127.0.0.1\nInput RemotePort " +
                    std::to_string(httpPort) +
                    "\nInput RemoteStateFile /snap.txt\nActive Output LOCAL_STATE\n"
                    "Output LocalStateFile snap.txt\n",
                false);
    children.push_back(spawn({TARNELL_MAP_PATH, c}));
    const std::string snapshotC = (dir.path() / "c/snap.txt").string();
    auto fetched = [&] { return recordsOf(readAll(snapshotC)).size() == recordsA.size(); };
    EXPECT_TRUE(waitFor(fetched, 40s)) << readAll(snapshotC);
    const auto recordsC = recordsOf(readAll(snapshotC));
    for (const auto& [id, record] : recordsA) {
        SCOPED_TRACE(id);
        ASSERT_EQ(recordsC.count(id), 1u);
        EXPECT_EQ(recordsC.at(id).name, record.name);
        EXPECT_EQ(recordsC.at(id).seconds, record.seconds);
    }
}

} // namespace
