// The whole program under a flood: fleet-sim sends 100 000 datagrams a second
// for 60 s to a running tarnell-map (1001 nodes, one port, snapshots written
// every second), one in ten of them garbage (random bytes, cut datagrams,
// 65 000-byte datagrams, reports ten years ahead or an hour back, control
// characters in comments). It prints the program's CPU, its resident memory
// before and after the flood, the datagrams the system dropped at the socket
// (/proc/net/udp), what the program itself says at exit about each port, and
// whether every vehicle's last report sent is exactly in the final snapshot.
//
// What the figures depend on: the queue holds buffersPerPort datagrams
// between two passes of the display's loop (20 ms at 100 000/s with 2000),
// and the loop, woken whenever a queue goes from empty to non-empty, passes
// thousands of times a second; but on a busy machine it may be kept from
// running for longer (gaps of 70 ms between two passes were seen on a
// 2-core machine with a load of 3). The socket's receive buffer holds what
// arrives while the receiver thread does not run; a 65 000-byte datagram
// takes as much of it as a hundred ordinary ones.
//
// Multicast and a window: run it in a private network namespace under a
// virtual X server (one command line),
//   xvfb-run -a -s '-screen 0 1280x1024x24 -noreset'
//       scripts/in-netns build/bench/bench_flood [SECONDS [RATE [BUFFERS_PER_PORT]]]
#include "tests/app/ProgramHarness.h"

#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

namespace {

using programtest::ProgramHarness;
using namespace std::chrono_literals;

constexpr const char* kGroup = "239.255.80.1";
constexpr int kLastId = 1000;
constexpr double kGarbageShare = 0.1;

struct Settings {
    int seconds = 60;
    int rate = 100000;
    // 100 ms of datagrams at 100 000/s: the loop may be kept from running
    // that long on a busy machine (5 MB of queues; see the file's head).
    int buffersPerPort = 10000;
};

// The CPU ticks (user and system) and resident kilobytes of a process.
struct Usage {
    long long ticks = 0;
    long long residentKb = 0;
};

Usage usageOf(pid_t pid) {
    Usage usage;
    std::istringstream stat(ProgramHarness::readAll("/proc/" + std::to_string(pid) + "/stat"));
    std::string field;
    // After the command's name in parentheses, utime and stime are fields 14 and 15.
    std::string text = stat.str();
    std::istringstream rest(text.substr(text.rfind(')') + 2));
    for (int i = 3; i <= 15 && rest >> field; ++i) {
        if (i == 14 || i == 15) {
            usage.ticks += std::stoll(field);
        }
    }
    std::istringstream status(ProgramHarness::readAll("/proc/" + std::to_string(pid) + "/status"));
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0) {
            usage.residentKb = std::stoll(line.substr(6));
        }
    }
    return usage;
}

// The drops column of every UDP socket bound to the port.
long long socketDrops(int port) {
    std::istringstream table(ProgramHarness::readAll("/proc/net/udp"));
    std::string line;
    std::getline(table, line); // the heading
    long long drops = 0;
    char wanted[8];
    std::snprintf(wanted, sizeof wanted, ":%04X", port);
    while (std::getline(table, line)) {
        std::istringstream fields(line);
        std::string slot;
        std::string local;
        fields >> slot >> local;
        if (local.size() < 5 || local.substr(local.size() - 5) != wanted) {
            continue;
        }
        std::string value;
        std::string last;
        while (fields >> value) {
            last = value;
        }
        drops += std::stoll(last);
    }
    return drops;
}

std::string nodeFile() {
    std::string text;
    for (int id = 0; id <= kLastId; ++id) {
        text += std::to_string(id) + " Vehicle " + std::to_string(id) + "\n";
    }
    return text;
}

// Compares each vehicle's last report sent with its record in the snapshot;
// returns the number that differ and prints the first few.
int differences(const std::map<int, ProgramHarness::Sent>& sent,
                const std::map<int, inputs::StateRecord>& records) {
    int differing = 0;
    for (const auto& [id, report] : sent) {
        const auto found = records.find(id);
        std::string why;
        if (found == records.end()) {
            why = "no record";
        } else {
            const inputs::StateRecord& r = found->second;
            char latitude[32];
            char longitude[32];
            std::snprintf(latitude, sizeof latitude, "%f", r.latitude);
            std::snprintf(longitude, sizeof longitude, "%f", r.longitude);
            if (r.seconds != report.seconds || r.milliseconds != report.milliseconds) {
                why = "time " + std::to_string(r.seconds) + "." + std::to_string(r.milliseconds);
            } else if (latitude != report.latitude || longitude != report.longitude) {
                why = std::string("position ") + latitude + "," + longitude;
            } else if (r.comment1 != report.comment1 || r.comment2 != report.comment2) {
                why = "comments " + r.comment1 + "," + r.comment2;
            }
        }
        if (why.empty()) {
            continue;
        }
        if (++differing <= 5) {
            std::printf("  vehicle %d: sent %ld.%03d %s,%s; snapshot has %s\n", id, report.seconds,
                        report.milliseconds, report.latitude.c_str(), report.longitude.c_str(),
                        why.c_str());
        }
    }
    return differing;
}

int run(const Settings& settings) {
    ProgramHarness harness;
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("tarnell-flood-" + std::to_string(getpid()));
    const int port = ProgramHarness::freePort(SOCK_DGRAM);
    const std::string io = "Active Input MULTICAST\nInput MultiCastBuffersPerPort " +
                           std::to_string(settings.buffersPerPort) +
                           "\nInput MultiCastBytesPerBuffer 250\nActive Output LOCAL_STATE\n"
                           "Output LocalStateFile snapshot.txt\n";
    const std::string master = ProgramHarness::writeDisplay(folder, nodeFile(), io, kGroup, port);
    const std::string snapshot = (folder / "snapshot.txt").string();
    const std::string log = (folder / "display.log").string();

    const pid_t display = harness.spawn({TARNELL_MAP_PATH, master}, log);
    if (harness.waitForWindow(display) == 0 ||
        !harness.waitFor([&] { return !ProgramHarness::snapshotRecords(snapshot).empty(); }, 30s)) {
        std::fprintf(stderr, "flood: the display did not start (see %s)\n", log.c_str());
        return 1;
    }
    std::this_thread::sleep_for(2s); // settled: first frames drawn, first snapshots written

    const std::string loadBefore = ProgramHarness::readAll("/proc/loadavg");
    const std::string lastSent = (folder / "last-sent.txt").string();
    const std::string summary = (folder / "fleet-sim.txt").string();
    const long long dropsBefore = socketDrops(port);
    const Usage before = usageOf(display);
    const auto start = std::chrono::steady_clock::now();
    const ProgramHarness::Exit sent = harness.run(
        {FLEET_SIM_PATH, "--group", kGroup, "--port", std::to_string(port), "--ids",
         "0-" + std::to_string(kLastId), "--total-rate", std::to_string(settings.rate),
         "--duration", std::to_string(settings.seconds), "--seed", "17", "--silent-fraction", "0",
         "--garbage", std::to_string(kGarbageShare), "--last-sent", lastSent},
        summary, std::chrono::milliseconds((settings.seconds + 60) * 1000));
    const double wall =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const Usage after = usageOf(display);
    const long long dropsAfter = socketDrops(port);
    if (!sent.exited || sent.status != 0) {
        std::fprintf(stderr, "flood: fleet-sim failed: %s\n",
                     ProgramHarness::readAll(summary).c_str());
        harness.stop(display);
        return 1;
    }

    // Two snapshots after the last datagram, so the last report of each
    // vehicle has been processed and written.
    std::string written = ProgramHarness::readAll(snapshot);
    int rewrites = 0;
    harness.waitFor(
        [&] {
            std::string now = ProgramHarness::readAll(snapshot);
            if (now != written) {
                written = std::move(now);
                ++rewrites;
            }
            return rewrites >= 2;
        },
        30s);
    const auto expected = ProgramHarness::newestReports(ProgramHarness::readAll(lastSent));
    const auto records = ProgramHarness::snapshotById(snapshot);

    const ProgramHarness::Closed closed = harness.closeWindow(display, 20000ms);
    const long ticksPerSecond = sysconf(_SC_CLK_TCK);
    std::printf("flood: %d datagrams/s for %d s (%.0f%% garbage), %d buffers of 250 bytes per "
                "port, %d vehicles\n",
                settings.rate, settings.seconds, kGarbageShare * 100, settings.buffersPerPort,
                kLastId + 1);
    std::printf("load average (1, 5, 15 min) before: %s", loadBefore.c_str());
    std::printf("load average after:                 %s",
                ProgramHarness::readAll("/proc/loadavg").c_str());
    std::printf("%s", ProgramHarness::readAll(summary).c_str());
    std::printf("tarnell-map CPU: %.1f%% of one core over %.1f s\n",
                100.0 * static_cast<double>(after.ticks - before.ticks) /
                    static_cast<double>(ticksPerSecond) / wall,
                wall);
    std::printf("tarnell-map resident memory: %lld kB before, %lld kB after (%+lld kB)\n",
                before.residentKb, after.residentKb, after.residentKb - before.residentKb);
    std::printf("socket drops (/proc/net/udp): %lld during the flood\n", dropsAfter - dropsBefore);
    std::printf("tarnell-map's output (it ended with status %d):\n", closed.exit.status);
    std::istringstream output(ProgramHarness::readAll(log));
    std::string line;
    while (std::getline(output, line)) {
        std::printf("  %s\n", line.c_str());
    }
    const int differing = differences(expected, records);
    std::printf("final snapshot: %zu of %zu vehicles hold exactly their last report sent (%d "
                "differ)\n",
                expected.size() - static_cast<size_t>(differing), expected.size(), differing);
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
    return closed.exit.exited && closed.exit.status == 0 ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    Settings settings;
    if (argc > 1) {
        settings.seconds = std::atoi(argv[1]);
    }
    if (argc > 2) {
        settings.rate = std::atoi(argv[2]);
    }
    if (argc > 3) {
        settings.buffersPerPort = std::atoi(argv[3]);
    }
    if (settings.seconds < 1 || settings.rate < 1 || settings.buffersPerPort < 1) {
        std::fprintf(stderr, "usage: %s [SECONDS [RATE [BUFFERS_PER_PORT]]]\n", argv[0]);
        return 2;
    }
    setenv("TZ", "UTC", 1);
    return run(settings);
}
