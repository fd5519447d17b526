// A reader polling a snapshot while the display rewrites it again and again:
// every read must give one whole snapshot, the old one or the new one.
#include "inputs/GeoJsonSnapshot.h"
#include "nodes/NodeTable.h"

#include "tests/support/TempDir.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <atomic>
#include <chrono>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <thread>

namespace {

using namespace std::chrono_literals;
using nodes::NodeTable;

// Snapshots of some 10 to 40 kB, written in several pieces: a torn one would be caught.
constexpr int kNodes = 200;
constexpr int kRounds = 100;

std::string readAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream out;
    out << in.rdbuf();
    return out.str();
}

bool wholeStateFile(const std::string& text) {
    size_t lines = 0;
    for (char c : text) {
        lines += c == '\n' ? 1 : 0;
    }
    return text.starts_with("<rvx>\n") && text.ends_with("</rvx>\n") && lines == kNodes + 2;
}

bool wholeGeoJson(const std::string& text) {
    const nlohmann::json parsed = nlohmann::json::parse(text, nullptr, false);
    return !parsed.is_discarded() && parsed["features"].size() == kNodes;
}

struct Writer {
    const char* what;
    std::function<bool(NodeTable&, const char*)> write;
    std::function<bool(const std::string&)> whole;
};

TEST(SnapshotPolling, AReaderNeverSeesATornFile) {
    const Writer writers[] = {
        {"state file", [](NodeTable& t, const char* p) { return t.writeStateFile(p, true); },
         wholeStateFile},
        {"GeoJSON",
         [](NodeTable& t, const char* p) { return inputs::GeoJsonSnapshot::write(t, p, true); },
         wholeGeoJson},
    };
    for (const Writer& writer : writers) {
        SCOPED_TRACE(writer.what);
        testsupport::TempDir dir;
        std::string nodeFile;
        for (int id = 0; id < kNodes; ++id) {
            nodeFile += std::to_string(id) + " Vehicle " + std::to_string(id) + "\n";
        }
        NodeTable table(250, 20);
        ASSERT_TRUE(table.loadNodeFile(dir.write("nodes.txt", nodeFile).c_str()));
        const std::string path = dir.file("snapshot");
        ASSERT_TRUE(writer.write(table, path.c_str()));

        std::atomic<bool> stop{false};
        std::atomic<int> reads{0};
        std::atomic<int> torn{0};
        std::string firstTorn; // written by the reader only, read after the join
        std::thread reader([&] {
            while (!stop) {
                const std::string text = readAll(path);
                if (!writer.whole(text) && torn++ == 0) {
                    firstTorn = text.substr(0, 200);
                }
                ++reads;
            }
        });
        // Snapshots of two sizes in turn, so that a torn one could not pass for whole.
        int writes = 0;
        const auto deadline = std::chrono::steady_clock::now() + 50s; // only against a hang
        while ((writes < kRounds || reads < kRounds) &&
               std::chrono::steady_clock::now() < deadline) {
            const char* comment = writes % 2 == 0 ? "" : "a longer comment for every vehicle";
            for (int id = 0; id < kNodes; ++id) {
                table.findById(id)->setState(36, -115, 1800000000 + writes, 0, 0, 0, comment, "",
                                             "Vehicle");
            }
            ASSERT_TRUE(writer.write(table, path.c_str()));
            ++writes;
        }
        stop = true;
        reader.join();
        EXPECT_GE(writes, kRounds);
        EXPECT_GE(reads.load(), kRounds);
        EXPECT_EQ(torn.load(), 0) << firstTorn;
    }
}

} // namespace
