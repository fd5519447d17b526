#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace config {

// What an entry of the node graphics file is for, from the first letter of its name.
enum NodeGraphicsKind : int32_t {
    DefaultIcon = 0,
    TargetMarker = 1,
    ChaseMarker = 2,
    ProximityMarker = 4,
    PerNodeIcon = 5,
    UnusedEntry = 6
};

// One entry as its line gives it (fields carried over from the line before already applied).
struct NodeGraphicsEntry {
    NodeGraphicsKind kind = UnusedEntry;
    int32_t number = 0; // proximity rank, or node id of a per-node icon
    std::string name;
    bool hasImage = false;
    std::string imageFile;
    // s0, s1, s2; r0, g0, b0; r1, g1, b1; r2, g2, b2 (sizes in percent of the window width).
    std::array<double, 12> values{};
    bool numberOnIcon = false;
};

// Reads the node graphics file: one entry per line, fifteen fields. Pure: no GL, any thread.
// A file that cannot be read or holds no lines gives no entries.
class NodeGraphicsFile {
public:
    static std::vector<NodeGraphicsEntry> read(const char* fileName);
    // Kind and number of an entry name: "P3..." is proximity rank 3 read from the fifth
    // character on ("Prox3"), "I" names read the node id from the third character on ("Ic12").
    // A name too short to hold its number gives 0.
    static NodeGraphicsKind kindOf(const std::string& name, int32_t* number);
};

} // namespace config
