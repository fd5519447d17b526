// A reader polling a snapshot while it is rewritten again and again must read
// one whole snapshot each time, the old one or the new one.
#include "inputs/GeoJsonSnapshot.h"
#include "nodes/NodeTable.h"

#include "tests/support/TempDir.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <atomic>
#include <functional>
#include <thread>

namespace {

using nodes::NodeTable;
using testsupport::TempDir;

constexpr int kNodes = 200; // snapshots of 10 to 40 kB, written in several pieces

TEST(SnapshotPolling, AReaderNeverSeesATornFile) {
    const std::function<bool(NodeTable&, const char*)> writers[] = {
        [](NodeTable& t, const char* p) { return t.writeStateFile(p, true); },
        [](NodeTable& t, const char* p) { return inputs::GeoJsonSnapshot::write(t, p, true); }};
    const std::function<bool(const std::string&)> whole[] = {
        [](const std::string& text) {
            return text.starts_with("<rvx>\n") && text.ends_with("</rvx>\n") &&
                   std::count(text.begin(), text.end(), '\n') == kNodes + 2;
        },
        [](const std::string& text) {
            const nlohmann::json parsed = nlohmann::json::parse(text, nullptr, false);
            return !parsed.is_discarded() && parsed["features"].size() == kNodes;
        }};
    for (int kind = 0; kind < 2; ++kind) {
        SCOPED_TRACE(kind == 0 ? "state file" : "GeoJSON");
        TempDir dir;
        std::string nodeFile;
        for (int id = 0; id < kNodes; ++id) {
            nodeFile += std::to_string(id) + " Vehicle\n";
        }
        NodeTable table(250, 20);
        ASSERT_TRUE(table.loadNodeFile(dir.write("nodes.txt", nodeFile).c_str()));
        const std::string path = dir.file("snapshot");
        ASSERT_TRUE(writers[kind](table, path.c_str()));
        std::atomic<bool> stop{false};
        std::atomic<int> reads{0}, torn{0};
        std::thread reader([&] {
            for (; !stop; ++reads) {
                torn += whole[kind](TempDir::read(path)) ? 0 : 1;
            }
        });
        // Snapshots of two sizes in turn, so that a torn one could not pass for whole.
        int writes = 0;
        for (const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(50);
             (writes < 100 || reads < 100) && std::chrono::steady_clock::now() < end; ++writes) {
            for (int id = 0; id < kNodes; ++id) {
                table.findById(id)->setState(36, -115, 1800000000 + writes, 0, 0, 0,
                                             writes % 2 ? "a longer comment for each" : "", "",
                                             "V");
            }
            ASSERT_TRUE(writers[kind](table, path.c_str()));
        }
        stop = true;
        reader.join();
        EXPECT_GE(std::min(writes, reads.load()), 100);
        EXPECT_EQ(torn.load(), 0);
    }
}

} // namespace
