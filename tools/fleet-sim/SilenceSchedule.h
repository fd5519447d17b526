#pragma once

#include "tools/fleet-sim/SeededRandom.h"

#include <cstdint>
#include <vector>

namespace fleetsim {

// When vehicles fall silent. A share of the fleet, picked by the seed, keeps
// going quiet: each such vehicle runs through cycles of its own length, and
// every cycle starts with a silence of between `silentSeconds` and twice that,
// so a display shows both its medium and its bad idle states. The other
// vehicles never fall silent. A pure function of the seed and time; any thread.
class SilenceSchedule {
public:
    SilenceSchedule(const SeededRandom& random, uint32_t vehicleCount, double silentFraction,
                    double silentSeconds);

    // Whether the vehicle ever falls silent.
    bool fallsSilent(uint32_t vehicle) const;
    uint32_t silentVehicleCount() const { return silentVehicleCount_; }

    // The number of the silence that holds the vehicle `seconds` after the
    // start (0 for the first cycle), or -1 while it reports.
    int64_t silenceAt(uint32_t vehicle, double seconds) const;
    bool isSilent(uint32_t vehicle, double seconds) const {
        return silenceAt(vehicle, seconds) >= 0;
    }

    // The length of the given silence of the vehicle, in seconds.
    double silenceLength(uint32_t vehicle, int64_t silence) const;

private:
    struct Cycle {
        bool fallsSilent = false;
        double length = 0.0; // silence plus talking time
        double phase = 0.0;  // how far into its cycles the vehicle is at the start
    };

    SeededRandom random_;
    double silentSeconds_;
    uint32_t silentVehicleCount_ = 0;
    std::vector<Cycle> cycles_;
};

} // namespace fleetsim
