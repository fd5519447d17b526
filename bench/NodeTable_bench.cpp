// Cost of rebuilding the closest-node list, which the periodic update does at
// every tick (60 times a second or more) over the whole fleet.
#include "nodes/NodeTable.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

namespace {

std::string writeFleetFile(int count) {
    const std::string path =
        (std::filesystem::temp_directory_path() / "tarnell-bench-nodes.txt").string();
    std::ofstream out(path);
    for (int id = 0; id < count; ++id) {
        out << id << " Vehicle " << id << "\n";
    }
    return path;
}

void BM_UpdateCloseNodes(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    const std::string path = writeFleetFile(count);
    nodes::NodeTable table(250, 20);
    if (!table.loadNodeFile(path.c_str())) {
        state.SkipWithError("node file did not load");
        return;
    }
    std::filesystem::remove(path);
    std::mt19937 random(7);
    std::uniform_real_distribution<double> lat(34.0, 36.0);
    std::uniform_real_distribution<double> lon(-116.0, -114.0);
    for (int id = 0; id < count; ++id) {
        table.findById(id)->setState(lat(random), lon(random), 0, 0, 0, 0, "", "", "v");
    }
    int32_t reference = 0;
    for (auto _ : state) {
        table.updateCloseNodes(reference, (reference + 1) % count);
        benchmark::DoNotOptimize(table.closeNode(0));
        reference = (reference + 37) % count;
    }
    state.SetLabel(std::to_string(count) + " nodes");
}

} // namespace

BENCHMARK(BM_UpdateCloseNodes)->Arg(1001)->Arg(100)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
