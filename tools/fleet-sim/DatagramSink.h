#pragma once

#include <string_view>

namespace fleetsim {

// Where a run's datagrams go: a multicast group or the standard output.
// Called by one thread.
class DatagramSink {
public:
    virtual ~DatagramSink() = default;

    // False when this datagram could not be sent; the run counts it and goes on.
    virtual bool send(std::string_view datagram) = 0;
};

} // namespace fleetsim
