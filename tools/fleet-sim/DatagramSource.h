#pragma once

#include <cstdint>
#include <string>

namespace fleetsim {

// What a run sends: for each slot of the pacing schedule, a datagram (a
// vehicle's report, or garbage made to test the receiver), nothing (a silent
// vehicle's turn), or the end of the run. Called by one thread.
class DatagramSource {
public:
    enum class Slot { Datagram, Garbage, Skip, End };

    virtual ~DatagramSource() = default;

    // Fills `datagram` for the slot when the result is Datagram or Garbage.
    // Slots are asked for in increasing order.
    virtual Slot fill(uint64_t slot, std::string& datagram) = 0;
};

} // namespace fleetsim
