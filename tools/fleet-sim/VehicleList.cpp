#include "tools/fleet-sim/VehicleList.h"

#include "config/DecimalText.h"
#include "config/LinePieceReader.h"

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <set>

namespace fleetsim {
namespace {

constexpr size_t kNodeLineChars = 255;

bool isBlank(char c) {
    return std::isspace(static_cast<unsigned char>(c)) != 0;
}

std::string defaultName(int32_t id) {
    return "Vehicle " + std::to_string(id);
}

// One line: false for comments, blank lines and identifiers out of range.
bool parseLine(const std::string& line, Vehicle& out) {
    size_t i = 0;
    while (i < line.size() && isBlank(line[i])) {
        ++i;
    }
    if (i >= line.size() || line[i] == '#') {
        return false;
    }
    const size_t tokenStart = i;
    while (i < line.size() && !isBlank(line[i])) {
        ++i;
    }
    const std::string token = line.substr(tokenStart, i - tokenStart);
    const int id = config::DecimalText::toInteger(token.c_str());
    if (id < 0 || id > VehicleList::kMaxId) {
        return false;
    }
    size_t nameEnd = line.find_first_of("\r\n", i);
    if (nameEnd == std::string::npos) {
        nameEnd = line.size();
    }
    size_t nameStart = i;
    // The display keeps the last character of a name of blanks only; a blank
    // name is no use as a comment, so it is dropped here altogether.
    while (nameStart < nameEnd && (line[nameStart] == ' ' || line[nameStart] == '\t')) {
        ++nameStart;
    }
    out.id = id;
    out.name = line.substr(nameStart, nameEnd - nameStart);
    if (out.name.empty()) {
        out.name = defaultName(id);
    }
    return true;
}

} // namespace

bool VehicleList::readNodeFile(const std::string& path, std::vector<Vehicle>& vehicles,
                               std::string& error) {
    vehicles.clear();
    std::FILE* file = std::fopen(path.c_str(), "r");
    if (file == nullptr) {
        error = "cannot read node file '" + path + "': " + std::strerror(errno);
        return false;
    }
    std::set<int32_t> seen;
    std::string piece;
    Vehicle vehicle;
    while (config::LinePieceReader::read(file, piece, kNodeLineChars)) {
        if (parseLine(piece, vehicle) && seen.insert(vehicle.id).second) {
            vehicles.push_back(vehicle);
        }
    }
    std::fclose(file);
    if (vehicles.empty()) {
        error = "node file '" + path + "' lists no node with an identifier from 0 to 1000";
        return false;
    }
    return true;
}

std::vector<Vehicle> VehicleList::range(int32_t first, int32_t last) {
    std::vector<Vehicle> vehicles;
    for (int32_t id = first; id <= last; ++id) {
        vehicles.push_back({id, defaultName(id)});
    }
    return vehicles;
}

} // namespace fleetsim
