// fleet-sim: sends the position datagrams of a simulated fleet, or the lines of
// a recorded file, to a multicast group; see FleetOptions::usage.

#include "tools/fleet-sim/FleetOptions.h"
#include "tools/fleet-sim/FleetRunner.h"
#include "tools/fleet-sim/FleetSimulator.h"
#include "tools/fleet-sim/GarbageMixer.h"
#include "tools/fleet-sim/LastReports.h"
#include "tools/fleet-sim/LineWriter.h"
#include "tools/fleet-sim/MulticastSender.h"
#include "tools/fleet-sim/ReplaySource.h"
#include "tools/fleet-sim/VehicleList.h"

#include <atomic>
#include <chrono>
#include <cinttypes>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <memory>
#include <random>
#include <string>

namespace {

using namespace fleetsim;

constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

std::atomic<bool> stopRequested(false);
static_assert(std::atomic<bool>::is_always_lock_free, "the stop flag is set in a signal handler");

extern "C" void requestStop(int) {
    stopRequested.store(true);
}

// SIGINT and SIGTERM end the run cleanly (summary included); a second one,
// with the handler reset, ends the process at once.
void catchStopSignals() {
    struct sigaction action {};
    action.sa_handler = requestStop;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESETHAND;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

int usageError(const std::string& message) {
    std::fprintf(stderr, "fleet-sim: %s\n", message.c_str());
    return kExitUsage;
}

uint64_t randomSeed() {
    std::random_device device;
    return (static_cast<uint64_t>(device()) << 32) ^ device();
}

int64_t nowUtcMilliseconds() {
    const auto now = std::chrono::system_clock::now().time_since_epoch();
    return std::chrono::duration_cast<std::chrono::milliseconds>(now).count();
}

// The datagrams of the run: the lines of the replay file or a simulated fleet,
// with or without garbage.
struct Source {
    std::unique_ptr<FleetSimulator> simulator; // when garbage is mixed in
    std::unique_ptr<DatagramSource> source;
    FleetSimulator* fleet = nullptr; // the simulated fleet, if any
    double slotsPerSecond = 0.0;
};

bool makeSource(FleetOptions& options, Source& out, std::string& error) {
    if (!options.replayFile.empty()) {
        std::vector<std::string> lines;
        if (!ReplaySource::readLines(options.replayFile, lines, error)) {
            return false;
        }
        out.source = std::make_unique<ReplaySource>(std::move(lines), options.loop);
        out.slotsPerSecond = options.slotsPerSecond(0);
        return true;
    }
    std::vector<Vehicle> vehicles;
    if (options.nodeFile.empty()) {
        vehicles = VehicleList::range(options.firstId, options.lastId);
    } else if (!VehicleList::readNodeFile(options.nodeFile, vehicles, error)) {
        return false;
    }
    options.seed = options.seed.value_or(randomSeed());
    options.startTimeMs = options.startTimeMs.value_or(nowUtcMilliseconds());
    out.slotsPerSecond = options.slotsPerSecond(vehicles.size());
    auto fleet = std::make_unique<FleetSimulator>(options, std::move(vehicles));
    if (options.meet && !fleet->meets()) {
        error = "--meet " + std::to_string(options.meet->host) + "," +
                std::to_string(options.meet->visitor) + ": both must be vehicles of the fleet";
        return false;
    }
    out.fleet = fleet.get();
    if (options.garbage <= 0.0) {
        out.source = std::move(fleet);
        return true;
    }
    out.source =
        std::make_unique<GarbageMixer>(*fleet, options.garbage, *options.seed, options.duration);
    out.simulator = std::move(fleet);
    return true;
}

// One line, the sent count its first number, so scripts can pick it up.
void printSummary(std::FILE* stream, const FleetOptions& options, const Source& source,
                  const FleetRunner::Totals& totals) {
    char destination[80];
    if (options.dryRun) {
        std::snprintf(destination, sizeof destination, "standard output");
    } else {
        std::snprintf(destination, sizeof destination, "%s:%u", options.group.c_str(),
                      static_cast<unsigned>(options.port));
    }
    const uint64_t silences = source.fleet != nullptr ? source.fleet->silentPeriods() : 0;
    const double perSecond = totals.seconds > 0.0 ? totals.sent / totals.seconds : 0.0;
    std::fprintf(stream,
                 "fleet-sim: sent %" PRIu64 " datagrams (%" PRIu64
                 " silent periods) to %s in %.1f s, %.1f/s, %" PRIu64 " send errors",
                 totals.sent, silences, destination, totals.seconds, perSecond, totals.sendErrors);
    if (options.garbage > 0.0) {
        std::fprintf(stream, ", %" PRIu64 " of them garbage", totals.garbage);
    }
    if (source.fleet != nullptr) {
        std::fprintf(stream, ", seed %" PRIu64, options.seed.value_or(0));
    }
    std::fprintf(stream, "\n");
    std::fflush(stream);
}

} // namespace

int main(int argc, char** argv) {
    FleetOptions options;
    std::string error;
    if (!FleetOptions::parse(argc - 1, argv + 1, options, error)) {
        return usageError(error);
    }
    if (options.help) {
        std::fputs(FleetOptions::usage().c_str(), stdout);
        return 0;
    }
    Source source;
    if (!makeSource(options, source, error)) {
        return usageError(error);
    }

    LineWriter lines(stdout);
    MulticastSender sender;
    DatagramSink* sink = &lines;
    if (!options.dryRun) {
        if (!sender.open(options.group, options.port, options.ttl, options.interfaceAddress,
                         error)) {
            std::fprintf(stderr, "fleet-sim: %s\n", error.c_str());
            return kExitFailure;
        }
        sink = &sender;
    }

    catchStopSignals();
    FleetRunner::Limits limits;
    limits.count = options.count;
    limits.duration = options.duration;
    limits.unpaced = options.maxRate;
    FleetRunner runner(*source.source, *sink, RatePacer(source.slotsPerSecond), limits,
                       stopRequested);
    LastReports lastReports;
    runner.keepLastReports(lastReports);
    const FleetRunner::Totals totals = runner.run();

    // A dry run's standard output carries the datagrams (a recording for
    // --replay), so its summary goes to standard error.
    bool flushed = true;
    if (options.dryRun) {
        flushed = lines.flush();
    }
    printSummary(options.dryRun ? stderr : stdout, options, source, totals);
    if (!flushed) {
        std::fprintf(stderr, "fleet-sim: writing to standard output failed\n");
        return kExitFailure;
    }
    if (!options.lastSentFile.empty() && !lastReports.write(options.lastSentFile, error)) {
        std::fprintf(stderr, "fleet-sim: %s\n", error.c_str());
        return kExitFailure;
    }
    if (totals.sent == 0 && totals.sendErrors > 0) {
        const char* reason = options.dryRun ? "write error" : std::strerror(sender.lastError());
        std::fprintf(stderr, "fleet-sim: no datagram could be sent: %s\n", reason);
        return kExitFailure;
    }
    return 0;
}
