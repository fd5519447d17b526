#include "tools/fleet-sim/LastReports.h"

#include <charconv>
#include <cstdio>

namespace fleetsim {

void LastReports::sent(std::string_view datagram) {
    int32_t id = 0;
    const auto [end, status] =
        std::from_chars(datagram.data(), datagram.data() + datagram.size(), id);
    if (status != std::errc() || end == datagram.data()) {
        return;
    }
    last_[id] = datagram;
}

bool LastReports::write(const std::string& path, std::string& error) const {
    std::FILE* file = std::fopen(path.c_str(), "w");
    if (file == nullptr) {
        error = "cannot write " + path;
        return false;
    }
    bool ok = true;
    for (const auto& [id, datagram] : last_) {
        ok = ok && std::fprintf(file, "%s\n", datagram.c_str()) >= 0;
    }
    ok = std::fclose(file) == 0 && ok;
    if (!ok) {
        error = "writing " + path + " failed";
    }
    return ok;
}

} // namespace fleetsim
