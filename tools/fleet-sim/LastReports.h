#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>

namespace fleetsim {

// Each vehicle's last report sent in a run, by the identifier its datagram
// starts with, so that a benchmark can check what a display holds at the end
// against what was sent last. One thread.
class LastReports {
public:
    void sent(std::string_view datagram);

    // One datagram per line, by identifier; false with a message when the
    // file cannot be written.
    bool write(const std::string& path, std::string& error) const;

    const std::map<int32_t, std::string>& reports() const { return last_; }

private:
    std::map<int32_t, std::string> last_;
};

} // namespace fleetsim
