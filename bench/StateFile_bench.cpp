// The snapshot of a full fleet (1001 records): writing it (as a state file and
// as GeoJSON), reading it back, and fetching it over HTTP on loopback from a
// server built on the project's own TCP server.
#include "inputs/GeoJsonSnapshot.h"
#include "inputs/StateFetch.h"
#include "net/LB_SSubSocket.h"
#include "net/LB_Socket.h"
#include "nodes/NodeTable.h"

#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr int kFleet = 1001;

struct Fleet {
    Fleet() {
        folder =
            std::filesystem::temp_directory_path() / ("tarnell-state-" + std::to_string(getpid()));
        std::filesystem::create_directories(folder);
        const std::string nodes = (folder / "nodes.txt").string();
        {
            std::ofstream out(nodes);
            for (int id = 0; id < kFleet; ++id) {
                out << id << " Vehicle " << id << "\n";
            }
        }
        table.loadNodeFile(nodes.c_str());
        for (int id = 0; id < kFleet; ++id) {
            table.findById(id)->setState(35.0 + id * 0.001, -115.0 - id * 0.001, 1750000000 + id,
                                         id % 1000, id % 3, 1.25, "Convoy A", "Leg 2",
                                         ("Vehicle " + std::to_string(id)).c_str());
        }
        snapshot = (folder / "state.txt").string();
        table.writeStateFile(snapshot.c_str(), true);
    }
    ~Fleet() { std::filesystem::remove_all(folder); }

    std::filesystem::path folder;
    nodes::NodeTable table{250, 20};
    std::string snapshot;
};

Fleet& fleet() {
    static Fleet instance;
    return instance;
}

void BM_WriteStateFile(benchmark::State& state) {
    Fleet& f = fleet();
    for (auto _ : state) {
        benchmark::DoNotOptimize(f.table.writeStateFile(f.snapshot.c_str(), false));
    }
    state.SetLabel("1001 records, live status");
}

// The same fleet as GeoJSON, written at the same rate beside (or instead of) the state file.
void BM_WriteGeoJson(benchmark::State& state) {
    Fleet& f = fleet();
    const std::string path = (f.folder / "fleet.geojson").string();
    for (auto _ : state) {
        benchmark::DoNotOptimize(inputs::GeoJsonSnapshot::write(f.table, path.c_str(), false));
    }
    state.SetLabel("1001 records, live status");
}

void BM_ReadStateFile(benchmark::State& state) {
    Fleet& f = fleet();
    f.table.writeStateFile(f.snapshot.c_str(), true);
    for (auto _ : state) {
        benchmark::DoNotOptimize(f.table.readStateFile(f.snapshot.c_str()));
    }
    state.SetLabel("1001 records");
}

struct Served {
    std::string response;
};

void serve(LB_SSubSocket* client, void* data) {
    const Served& served = *static_cast<const Served*>(data);
    char buffer[512];
    std::string request;
    while (request.find("\r\n\r\n") == std::string::npos) {
        const int n = client->receive(buffer, sizeof buffer, 1);
        if (n <= 0) {
            return;
        }
        request.append(buffer, static_cast<size_t>(n));
    }
    client->send(served.response.data(), static_cast<int>(served.response.size()), 0);
}

void BM_FetchStateFile(benchmark::State& state) {
    Fleet& f = fleet();
    f.table.writeStateFile(f.snapshot.c_str(), true);
    std::ifstream in(f.snapshot);
    std::stringstream body;
    body << in.rdbuf();
    Served served{"HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\n\r\n" + body.str()};

    // The server's diagnostic lines would drown the figures.
    std::fflush(stdout);
    const int savedOut = dup(1);
    std::freopen("/dev/null", "w", stdout);
    {
        LB_Socket server;
        server.setLocalAddress("127.0.0.1");
        server.openTcpServer(0, 0, &serve, &served);
        inputs::StateFetch fetch;
        std::vector<std::string> lines;
        for (auto _ : state) {
            fetch.fetch("127.0.0.1", server.port(), "/state.txt", lines);
            state.PauseTiming();
            if (lines.size() != kFleet) {
                state.SkipWithError("the fetch did not bring every record");
            }
            state.ResumeTiming();
        }
        server.close();
    }
    std::fflush(stdout);
    dup2(savedOut, 1);
    close(savedOut);
    state.SetLabel("1001 records over loopback, lines only");
}

} // namespace

BENCHMARK(BM_WriteStateFile)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_WriteGeoJson)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ReadStateFile)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FetchStateFile)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
