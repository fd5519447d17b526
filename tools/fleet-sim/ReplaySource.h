#pragma once

#include "tools/fleet-sim/DatagramSource.h"

#include <string>
#include <vector>

namespace fleetsim {

// The lines of a recorded file as datagrams, sent verbatim: slot n sends line
// n, once through the file or round and round with `loop`. One thread.
class ReplaySource : public DatagramSource {
public:
    ReplaySource(std::vector<std::string> lines, bool loop)
        : lines_(std::move(lines)), loop_(loop) {}

    // Reads every line of the file without its line end ("\n" or "\r\n"); a
    // final line without a line end counts too. Blank lines are kept: they are
    // sent as empty datagrams. False with a message when the file cannot be
    // read or holds no line.
    static bool readLines(const std::string& path, std::vector<std::string>& lines,
                          std::string& error);

    Slot fill(uint64_t slot, std::string& datagram) override;

private:
    std::vector<std::string> lines_;
    bool loop_;
};

} // namespace fleetsim
