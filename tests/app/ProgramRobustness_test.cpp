// The program against bad input, as users run it: broken configuration
// files, a missing map image, garbage datagrams at a high rate and web
// servers that answer nonsense. Each time it must keep running with its good
// records intact, and still end with status 0 on a close request.
#include "tests/app/ProgramHarness.h"
#include "tests/support/MulticastSender.h"
#include "tests/support/ScriptedHttpServer.h"
#include "tests/support/TempDir.h"
#include "tests/support/ZoneGuard.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <functional>
#include <mutex>
#include <random>
#include <sstream>
#include <string>
#include <thread>

namespace {

using namespace std::chrono_literals;
using programtest::ProgramHarness;
using Records = std::vector<inputs::StateRecord>;

constexpr const char* kGroup = "239.255.6.8";
constexpr long kStartTime = 1750000000;
const char* const kSnapshotOut = "Active Output LOCAL_STATE\nOutput LocalStateFile snap.txt\n";

std::string randomBytes(std::mt19937& random, std::size_t size) {
    std::string bytes(size, '\0');
    for (char& c : bytes) {
        c = static_cast<char>(random() & 0xff);
    }
    return bytes;
}

// Something that changes at every snapshot write (the writer replaces the
// file), to wait for the program to have gone round its loop.
std::pair<ino_t, long> snapshotStamp(const std::string& path) {
    struct stat status {};
    if (stat(path.c_str(), &status) != 0) {
        return {0, 0};
    }
    return {status.st_ino, status.st_mtim.tv_nsec};
}

std::string describe(const Records& records) {
    std::string text;
    for (const inputs::StateRecord& r : records) {
        text += std::to_string(r.id) + " " + std::to_string(r.latitude) + " " +
                std::to_string(r.seconds) + " " + r.comment1 + " " + r.name + "\n";
    }
    return text;
}

void closeAndExpectCleanExit(ProgramHarness& harness, pid_t program) {
    const ProgramHarness::Closed closed = harness.closeWindow(program, 10s);
    ASSERT_TRUE(closed.found) << "no window";
    const ProgramHarness::Exit& ended = closed.exit;
    EXPECT_TRUE(ended.exited && ended.status == 0)
        << "ended " << ended.ended << " exited " << ended.exited << " status " << ended.status;
}

struct ConfigCase {
    const char* name;
    std::map<std::string, std::string> files; // "site.cfg" is the master file
    std::string master = "site.cfg";          // the argument given
    // The snapshot's records (id and name) when the case writes one.
    std::vector<std::pair<int, std::string>> records;
    bool writesSnapshot = false;
};

std::vector<ConfigCase> configCases() {
    std::mt19937 random(7);
    const std::string good = "NodeFile nodes.txt\nWWWFile io.txt\n";
    const std::string nodes = "1 One\n2 Two\n";
    const std::vector<std::pair<int, std::string>> goodRecords = {{1, "One"}, {2, "Two"}};
    std::vector<ConfigCase> cases;
    cases.push_back({"missing master file", {}, "absent.cfg", {}, false});
    cases.push_back({"empty master file", {{"site.cfg", ""}}, "site.cfg", {}, false});
    cases.push_back(
        {"binary master file", {{"site.cfg", randomBytes(random, 8192)}}, "site.cfg", {}, false});
    cases.push_back({"huge line before the good ones",
                     {{"site.cfg", std::string(300000, 'K') + "\n" + good},
                      {"nodes.txt", nodes},
                      {"io.txt", kSnapshotOut}},
                     "site.cfg",
                     goodRecords,
                     true});
    cases.push_back({"unknown and misspelt keys",
                     {{"site.cfg", "nodefile nodes.txt\nNodeFile\nNODEFILE nodes.txt\n"
                                   "Colour blue\nWWWFile io.txt\n"},
                      {"nodes.txt", nodes},
                      {"io.txt", kSnapshotOut}},
                     "site.cfg",
                     {},
                     true});
    const std::string garbage = randomBytes(random, 16384);
    cases.push_back({"every named file binary",
                     {{"site.cfg", "NodeFile g1\nPortFile g2\nNodeDefFile g3\nMapFile g4\n"
                                   "PreferenceFile g5\nWWWFile g6\n"},
                      {"g1", garbage},
                      {"g2", garbage},
                      {"g3", garbage},
                      {"g4", garbage},
                      {"g5", garbage},
                      {"g6", garbage}},
                     "site.cfg",
                     {},
                     false});
    const std::string huge(1000000, 'x');
    cases.push_back(
        {"huge lines in every named file",
         {{"site.cfg", good + "PortFile ports.txt\nNodeDefFile def.txt\nMapFile map.txt\n"
                              "PreferenceFile prefs.txt\n"},
          // Each 255-character piece of the long line is a node line whose
          // identifier, being no number, is 0: the first is kept, unnamed.
          {"nodes.txt", huge + "\n1 One\n"},
          {"io.txt", huge + "\n" + kSnapshotOut},
          {"ports.txt", huge + "\n"},
          {"def.txt", huge + "\n"},
          {"map.txt", huge + "\n"},
          {"prefs.txt", huge + "\n"}},
         "site.cfg",
         {{0, ""}, {1, "One"}},
         true});
    // The remainder of the long name's line reads as a line of its own: its
    // letters make identifier 0, already taken, so it is dropped.
    cases.push_back({"node identifiers out of range and a long name",
                     {{"site.cfg", good},
                      {"nodes.txt", "-5 Minus\n1001 Over\n99999999999 Huge\nabc Letters\n7 Seven\n"
                                    "8 " +
                                        std::string(300, 'n') + "\n1001\n"},
                      {"io.txt", kSnapshotOut}},
                     "site.cfg",
                     {{0, "Letters"}, {7, "Seven"}, {8, std::string(127, 'n')}},
                     true});
    cases.push_back(
        {"absurd input and output values",
         {{"site.cfg", good + "PortFile ports.txt\n"},
          {"nodes.txt", nodes},
          {"ports.txt", "fleet 239.255.6.9 99999\nbad 999.1.2.3 1\nworse nonsense -4\n"},
          {"io.txt", std::string("Active Input MULTICAST\nInput MultiCastBytesPerBuffer -1\n"
                                 "Input MultiCastBuffersPerPort 0\nInput RemotePort 99999\n"
                                 "Input RemoteIp ") +
                         std::string(99, 'h') + "\n" + kSnapshotOut}},
         "site.cfg",
         goodRecords,
         true});
    cases.push_back(
        {"a buffer count beyond memory",
         {{"site.cfg", good + "PortFile ports.txt\n"},
          {"nodes.txt", nodes},
          {"ports.txt", "fleet 239.255.6.9 5599\n"},
          {"io.txt", std::string("Active Input MULTICAST\nInput MultiCastBuffersPerPort "
                                 "2000000000\n") +
                         kSnapshotOut}},
         "site.cfg",
         goodRecords,
         true});
    cases.push_back(
        {"missing map and icon images",
         {{"site.cfg", good + "MapFile map.txt\nNodeDefFile def.txt\nPreferenceFile prefs.txt\n"},
          {"nodes.txt", nodes},
          {"io.txt", kSnapshotOut},
          {"map.txt", "nothere.sgi -116 -114 34 36 0 100\n"},
          {"def.txt", "Dflt alsonothere.sgi 5 5 5 1 0 0 1 0 0 1 0 0 on\n"},
          {"prefs.txt", "track mode roam\n"}},
         "site.cfg",
         goodRecords,
         true});
    return cases;
}

class ProgramRobustness : public ::testing::Test {
protected:
    testsupport::ZoneGuard zone{"UTC"};
    testsupport::TempDir dir;
    ProgramHarness harness;
};

TEST_F(ProgramRobustness, BadConfigurationFilesLeaveItRunning) {
    ASSERT_NE(harness.display(), nullptr) << "no X server: run under xvfb-run";
    // One at a time: without a window manager a window shown over another
    // keeps that one from being drawn.
    const std::vector<ConfigCase> cases = configCases();
    for (std::size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE(cases[i].name);
        const std::filesystem::path folder = dir.path() / ("case" + std::to_string(i));
        std::filesystem::create_directories(folder);
        for (const auto& [name, text] : cases[i].files) {
            std::ofstream((folder / name).string(), std::ios::binary) << text;
        }
        const std::string output = (folder / "output.txt").string();
        const pid_t program =
            harness.spawn({TARNELL_MAP_PATH, (folder / cases[i].master).string()}, output);
        ASSERT_NE(harness.waitForWindow(program), 0u) << ProgramHarness::readAll(output);
        // The first frame writes the GL report.
        const std::string report = (folder / "ttt.txt").string();
        EXPECT_TRUE(harness.waitFor(
            [&] {
                return ProgramHarness::readAll(report).find("extensions are") != std::string::npos;
            },
            10s))
            << "no frame drawn";
        if (cases[i].writesSnapshot) {
            const std::string snapshot = (folder / "snap.txt").string();
            EXPECT_TRUE(harness.waitFor(
                [&] {
                    return ProgramHarness::readAll(snapshot).find("</rvx>") != std::string::npos;
                },
                10s));
            const Records records = ProgramHarness::snapshotRecords(snapshot);
            EXPECT_EQ(records.size(), cases[i].records.size()) << ProgramHarness::readAll(snapshot);
            for (std::size_t r = 0; r < records.size() && r < cases[i].records.size(); ++r) {
                EXPECT_EQ(records[r].id, cases[i].records[r].first);
                EXPECT_EQ(records[r].name, cases[i].records[r].second);
            }
        }
        EXPECT_TRUE(harness.running(program)) << ProgramHarness::readAll(output);
        closeAndExpectCleanExit(harness, program);
    }
}

using DatagramSender = testsupport::MulticastSender;

std::vector<std::string> datagramLines(ProgramHarness& harness, const std::string& path,
                                       std::vector<std::string> arguments) {
    arguments.push_back("--dry-run");
    arguments.push_back("--max-rate");
    harness.run(arguments, path);
    std::vector<std::string> lines;
    std::istringstream in(ProgramHarness::readAll(path));
    std::string line;
    while (std::getline(in, line)) {
        lines.push_back(line);
    }
    return lines;
}

TEST_F(ProgramRobustness, GarbageDatagramsLeaveRecordsIntact) {
    const int port = ProgramHarness::freePort(SOCK_DGRAM);
    std::string nodes;
    for (int id = 0; id < 10; ++id) {
        nodes += std::to_string(id) + " Vehicle " + std::to_string(id) + "\n";
    }
    const std::string master = ProgramHarness::writeDisplay(
        dir.path() / "a", nodes, std::string("Active Input MULTICAST\n") + kSnapshotOut, kGroup,
        port, "PreferenceFile prefs.txt\n");
    std::ofstream(dir.file("a/prefs.txt")) << "alert mediumIdle 100000\nalert badIdle 200000\n";
    const std::string snapshot = dir.file("a/snap.txt");
    const pid_t program = harness.spawn({TARNELL_MAP_PATH, master}, dir.file("a/output.txt"));
    ASSERT_TRUE(
        harness.waitFor([&] { return !ProgramHarness::snapshotRecords(snapshot).empty(); }, 20s));

    // The good records: one burst, as fleet-sim sends it.
    const auto burst = ProgramHarness::fleetSim(kGroup, port, "0-7", 31, kStartTime, 48, 200);
    const std::vector<std::string> good = datagramLines(harness, dir.file("good.txt"), burst);
    const auto sent = ProgramHarness::newestReports(ProgramHarness::readAll(dir.file("good.txt")));
    ASSERT_TRUE(harness.run(burst, "/dev/null").exited);
    ASSERT_TRUE(harness.waitFor(
        [&] {
            const auto records = ProgramHarness::snapshotById(snapshot);
            for (const auto& [id, report] : sent) {
                if (records.count(id) == 0 || records.at(id).seconds != report.seconds ||
                    records.at(id).milliseconds != report.milliseconds) {
                    return false;
                }
            }
            return true;
        },
        10s));
    const Records before = ProgramHarness::snapshotRecords(snapshot);

    // Older reports of the same vehicles, which must be refused.
    const std::vector<std::string> older = datagramLines(
        harness, dir.file("older.txt"),
        ProgramHarness::fleetSim(kGroup, port, "0-7", 32, kStartTime - 3600, 48, 200));
    std::mt19937 random(33);
    std::vector<std::string> garbage;
    for (const std::string& line : good) {
        // Cut short anywhere: dropped, or (cut after the last "*") the same report.
        garbage.push_back(line.substr(0, random() % line.size()));
    }
    for (const std::string& line : older) {
        garbage.push_back(line);
        std::string unknown = line;
        unknown.replace(0, unknown.find(','), "5000");
        garbage.push_back(unknown);
        std::string notFinite = line;
        const std::size_t gll = notFinite.find("$GPGLL,") + 7;
        notFinite.replace(gll, notFinite.find(',', gll) - gll, "nan");
        garbage.push_back(notFinite);
    }
    for (int i = 0; i < 200; ++i) {
        garbage.push_back(randomBytes(random, 1 + random() % 1400));
        garbage.push_back(std::string(248 + i % 4, 'Z'));
        garbage.push_back("$GPZDA,$GPGLL,*,*,$,,,,");
    }
    for (int i = 0; i < 20; ++i) {
        garbage.push_back(good[i % good.size()] + std::string(65000, '9'));
        garbage.push_back(randomBytes(random, 65000));
    }
    DatagramSender sender(kGroup, port);
    const auto floodStart = std::chrono::steady_clock::now();
    int datagrams = 0;
    // For a second and a half, and more than 2000 datagrams however slowly a
    // busy machine sends them.
    while (std::chrono::steady_clock::now() - floodStart < 1500ms || datagrams <= 2000) {
        for (const std::string& datagram : garbage) {
            sender.send(datagram);
            ++datagrams;
        }
    }

    // A report of vehicle 9 after the flood: once it shows, the flood has
    // been through the program. Sent again while the receive queue may still
    // be full.
    const std::vector<std::string> marker =
        datagramLines(harness, dir.file("marker.txt"),
                      ProgramHarness::fleetSim(kGroup, port, "9-9", 34, kStartTime + 60, 1, 1));
    ASSERT_EQ(marker.size(), 1u);
    ASSERT_TRUE(harness.waitFor(
        [&] {
            sender.send(marker[0]);
            return ProgramHarness::snapshotById(snapshot).at(9).status == 0;
        },
        10s))
        << "the receiver no longer delivers";
    ASSERT_TRUE(harness.running(program)) << ProgramHarness::readAll(dir.file("a/output.txt"));

    Records after = ProgramHarness::snapshotRecords(snapshot);
    ASSERT_EQ(after.size(), before.size());
    after[9] = before[9];
    EXPECT_TRUE(ProgramHarness::sameRecords(after, before)) << "before:\n"
                                                            << describe(before) << "after:\n"
                                                            << describe(after);
    closeAndExpectCleanExit(harness, program);
}

using testsupport::ScriptedHttpServer;
using Later = std::function<void(int client, const std::atomic<bool>& stopping)>;

// Answers the first request with `first`, every later one through `later`.
std::unique_ptr<ScriptedHttpServer> nonsenseServer(const std::string& first, Later later) {
    return std::make_unique<ScriptedHttpServer>(
        [first, later](int client, int number, const std::string&, const std::atomic<bool>& stop) {
            if (number == 1) {
                ScriptedHttpServer::writeAll(client, first);
            } else {
                later(client, stop);
            }
        });
}

const char* const kGoodRecords =
    "$001,35.100000,-115.100000,1750000000,250,0,1.500,Convoy A,Leg 1,Alpha*\n"
    "$002,35.200000,-115.200000,1750000001,500,1,6.000,Convoy A,Leg 2,Bravo*\n"
    "$003,35.300000,-115.300000,1750000002,750,2,12.000,Convoy B,Leg 3,Charlie*\n";

TEST_F(ProgramRobustness, NonsenseFromTheWebServerLeavesRecordsIntact) {
    const std::string firstAnswer =
        std::string("HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\n\r\n<rvx>\n") + kGoodRecords +
        "</rvx>\n";
    std::mt19937 random(41);
    const std::string noise = randomBytes(random, 65536);
    auto garbage = nonsenseServer(firstAnswer, [&](int client, const std::atomic<bool>&) {
        ScriptedHttpServer::writeAll(client, noise);
    });
    // Broken lines around one good record that moves vehicle 2, then the
    // connection drops in the middle of a line.
    auto broken = nonsenseServer(firstAnswer, [&](int client, const std::atomic<bool>&) {
        ScriptedHttpServer::writeAll(
            client, "HTTP/1.0 500 Oops\r\n\r\n<rvx>\n" + std::string(5000, 'L') +
                        "\n$001,abc,-115.1,1750000000,0,0,1.0,x,y,z*\n"
                        "$001,1e999,-115.1,1750000000,0,0,1.0,x,y,z*\n"
                        "$5000,35.0,-115.0,1750000000,0,0,1.0,x,y,z*\n" +
                        noise.substr(0, 300) +
                        "\n$002,36.000000,-116.000000,1750000100,0,0,2.000,Moved,On,Bravo*\n"
                        "$003,36.5,-116.5,17500");
    });
    auto trickle = nonsenseServer(firstAnswer, [&](int client, const std::atomic<bool>& stopping) {
        ScriptedHttpServer::writeAll(client, "HTTP/1.0 200 OK\r\n\r\n<rvx>\n");
        const std::string slow = "$001,37.0,-117.0,1750000200,0,0,1.0,Slow,Line,Alpha*\n";
        for (std::size_t i = 0; !stopping; i = (i + 1) % slow.size()) {
            ScriptedHttpServer::writeAll(client, slow.substr(i, 1));
            std::this_thread::sleep_for(100ms);
        }
    });
    auto reset = nonsenseServer(firstAnswer, [&](int client, const std::atomic<bool>&) {
        const linger abort{1, 0};
        setsockopt(client, SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
    });

    struct Peer {
        const char* name;
        ScriptedHttpServer* server;
        pid_t program = -1;
        std::string snapshot;
    };
    std::vector<Peer> displays = {{"garbage", garbage.get(), -1, ""},
                                  {"broken", broken.get(), -1, ""},
                                  {"trickle", trickle.get(), -1, ""},
                                  {"reset", reset.get(), -1, ""}};
    for (Peer& display : displays) {
        ASSERT_GT(display.server->port(), 0);
        const std::string master = ProgramHarness::writeDisplay(
            dir.path() / display.name, "1 One\n2 Two\n3 Three\n",
            "Active Input REMOTE_STATE\nInput RemoteIp 127.0.0.1\nInput RemotePort " +
                std::to_string(display.server->port()) + "\nInput RemoteStateFile /state.txt\n" +
                kSnapshotOut);
        display.snapshot = (dir.path() / display.name / "snap.txt").string();
        display.program = harness.spawn({TARNELL_MAP_PATH, master},
                                        (dir.path() / display.name / "output.txt").string());
    }

    // The first poll, one remote period (10 s) after the start, brings the
    // good records.
    Records goodRecords;
    {
        std::istringstream lines(kGoodRecords);
        std::string line;
        while (std::getline(lines, line)) {
            inputs::StateRecord record;
            ASSERT_TRUE(record.parse(line.c_str()));
            goodRecords.push_back(record);
        }
    }
    for (Peer& display : displays) {
        SCOPED_TRACE(display.name);
        EXPECT_TRUE(harness.waitFor(
            [&] {
                return ProgramHarness::sameRecords(
                    ProgramHarness::snapshotRecords(display.snapshot), goodRecords);
            },
            20s))
            << ProgramHarness::readAll(display.snapshot);
        EXPECT_EQ(display.server->requests().front(),
                  "GET /state.txt HTTP/1.0\r\nHost: 127.0.0.1:" +
                      std::to_string(display.server->port()) + "\r\n\r\n");
    }

    // The second poll gets the nonsense. Once a connection is over, two more
    // snapshots make sure whatever it brought has been applied.
    Records afterBroken = goodRecords;
    afterBroken[1].latitude = 36.0;
    afterBroken[1].longitude = -116.0;
    afterBroken[1].seconds = 1750000100;
    afterBroken[1].milliseconds = 0;
    afterBroken[1].status = 0;
    afterBroken[1].comment1 = "Moved";
    afterBroken[1].comment2 = "On";
    for (Peer& display : displays) {
        SCOPED_TRACE(display.name);
        const bool trickling = display.server == trickle.get();
        ASSERT_TRUE(harness.waitFor(
            [&] {
                return trickling ? display.server->accepted() >= 2
                                 : display.server->answered() >= 2;
            },
            20s));
        auto stamp = snapshotStamp(display.snapshot);
        int writes = 0;
        ASSERT_TRUE(harness.waitFor(
            [&] {
                const auto now = snapshotStamp(display.snapshot);
                if (now != stamp) {
                    stamp = now;
                    ++writes;
                }
                return writes >= 2;
            },
            10s))
            << "no more snapshots";
        EXPECT_TRUE(harness.running(display.program))
            << ProgramHarness::readAll((dir.path() / display.name / "output.txt").string());
        const Records records = ProgramHarness::snapshotRecords(display.snapshot);
        const Records& expected = display.server == broken.get() ? afterBroken : goodRecords;
        EXPECT_TRUE(ProgramHarness::sameRecords(records, expected)) << describe(records);
    }

    // The trickling fetch is still in progress: the close must not hang on it.
    // (That a stop cancels a fetch at once is RemotePoll's test.)
    ASSERT_EQ(trickle->answered(), 1);
    for (Peer& display : displays) {
        SCOPED_TRACE(display.name);
        closeAndExpectCleanExit(harness, display.program);
    }
}

} // namespace
