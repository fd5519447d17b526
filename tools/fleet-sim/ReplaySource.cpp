#include "tools/fleet-sim/ReplaySource.h"

#include <cerrno>
#include <cstring>
#include <fstream>

namespace fleetsim {

bool ReplaySource::readLines(const std::string& path, std::vector<std::string>& lines,
                             std::string& error) {
    lines.clear();
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        error = "cannot read replay file '" + path + "': " + std::strerror(errno);
        return false;
    }
    std::string line;
    while (std::getline(file, line)) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        lines.push_back(line);
    }
    if (file.bad()) {
        error = "error while reading replay file '" + path + "'";
        return false;
    }
    if (lines.empty()) {
        error = "replay file '" + path + "' has no lines";
        return false;
    }
    return true;
}

DatagramSource::Slot ReplaySource::fill(uint64_t slot, std::string& datagram) {
    if (lines_.empty() || (!loop_ && slot >= lines_.size())) {
        return Slot::End;
    }
    datagram = lines_[slot % lines_.size()];
    return Slot::Datagram;
}

} // namespace fleetsim
