#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace fleetsim {

struct Vehicle {
    int32_t id = 0;
    std::string name;
};

// The vehicles a run simulates: read from a node file or made for a range of
// identifiers. Pure functions; any thread.
class VehicleList {
public:
    static constexpr int32_t kMaxId = 1000;

    // Reads a node file the way the display reads it, so both agree on which
    // vehicles exist: one node per line, the identifier as the first word, the
    // rest of the line (leading blanks removed) as the name; lines are read 255
    // characters at a time. Comment lines ("#"), blank lines and identifiers
    // outside 0 to 1000 are skipped, and a repeated identifier keeps its first
    // line. An empty name becomes "Vehicle <id>". Returns false with a message
    // when the file cannot be read or holds no node.
    static bool readNodeFile(const std::string& path, std::vector<Vehicle>& vehicles,
                             std::string& error);

    // Vehicles first to last, named "Vehicle <id>".
    static std::vector<Vehicle> range(int32_t first, int32_t last);
};

} // namespace fleetsim
