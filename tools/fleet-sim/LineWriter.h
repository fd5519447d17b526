#pragma once

#include "tools/fleet-sim/DatagramSink.h"

#include <cstdio>

namespace fleetsim {

// Writes each datagram as one line to a stream (the standard output for a dry
// run): what a recording for --replay holds. The stream stays the caller's.
class LineWriter : public DatagramSink {
public:
    explicit LineWriter(std::FILE* stream) : stream_(stream) {}

    bool send(std::string_view datagram) override;
    // False when anything written could not be flushed.
    bool flush();

private:
    std::FILE* stream_;
};

} // namespace fleetsim
