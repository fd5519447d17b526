// Parse-and-apply throughput of position datagrams on one core: what the main
// thread spends per datagram when it drains the multicast queues.
#include "inputs/PacketParser.h"
#include "nodes/NodeTable.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

constexpr int kFleet = 1001;

std::vector<std::string> makeDatagrams() {
    std::vector<std::string> out;
    for (int i = 0; i < 4096; ++i) {
        const int id = i % kFleet;
        char text[256];
        // Times move forward with i so every report is accepted.
        std::snprintf(text, sizeof text,
                      "%d,Vehicle %d,Leg %d,$GPZDA,12%02d%02d.%02d,15,06,2004,00,00*4B"
                      "$GPGLL,%04d.%04d,N,%05d.%04d,W,123456.78,A,A*2C",
                      id, id, i % 7, (i / 6000) % 60, (i / 100) % 60, i % 100, 3400 + i % 60,
                      i % 10000, 11500 + i % 60, (i * 7) % 10000);
        out.emplace_back(text);
    }
    return out;
}

void parseAndApply(benchmark::State& state, const char* zone) {
    setenv("TZ", zone, 1);
    tzset();
    const std::string path =
        (std::filesystem::temp_directory_path() / "tarnell-bench-fleet.txt").string();
    {
        std::ofstream out(path);
        for (int id = 0; id < kFleet; ++id) {
            out << id << " Vehicle " << id << "\n";
        }
    }
    nodes::NodeTable table(250, 20);
    table.loadNodeFile(path.c_str());
    std::filesystem::remove(path);
    const std::vector<std::string> datagrams = makeDatagrams();
    std::vector<char> buffer(256);
    inputs::PositionReport report;
    size_t next = 0;
    int64_t applied = 0;
    for (auto _ : state) {
        if (next == 0) {
            // The pool starts again with older times: let the records take
            // them again, so every datagram is parsed and applied.
            state.PauseTiming();
            for (int id = 0; id < kFleet; ++id) {
                table.findById(id)->lastReportTime = platform::TimeStamp{};
            }
            state.ResumeTiming();
        }
        const std::string& text = datagrams[next];
        next = (next + 1) % datagrams.size();
        std::copy(text.c_str(), text.c_str() + text.size() + 1, buffer.begin());
        if (inputs::PacketParser::parse(buffer.data(), report) && report.applyTo(table)) {
            ++applied;
        }
    }
    state.SetItemsProcessed(state.iterations());
    state.counters["applied"] = static_cast<double>(applied);
    state.SetLabel(std::string("TZ=") + zone);
}

void BM_ParseAndApplyUtc(benchmark::State& state) {
    parseAndApply(state, "UTC");
}
void BM_ParseAndApplyLocalZone(benchmark::State& state) {
    parseAndApply(state, "America/Los_Angeles");
}

} // namespace

BENCHMARK(BM_ParseAndApplyUtc)->Unit(benchmark::kNanosecond);
BENCHMARK(BM_ParseAndApplyLocalZone)->Unit(benchmark::kNanosecond);

BENCHMARK_MAIN();
