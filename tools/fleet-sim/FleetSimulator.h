#pragma once

#include "tools/fleet-sim/DatagramSource.h"
#include "tools/fleet-sim/FleetOptions.h"
#include "tools/fleet-sim/PositionDatagram.h"
#include "tools/fleet-sim/RatePacer.h"
#include "tools/fleet-sim/SeededRandom.h"
#include "tools/fleet-sim/SilenceSchedule.h"
#include "tools/fleet-sim/VehicleList.h"
#include "tools/fleet-sim/VehicleTrack.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace fleetsim {

// The simulated fleet as a source of datagrams. The vehicles take turns: slot
// n belongs to vehicle n mod N and is reported at the slot's time on the
// pacing schedule, so the reports of one second are spread evenly over it and
// the output depends only on the seed, the start time and the schedule, never
// on how fast the datagrams actually go out. A silent vehicle's slot stays
// empty; with a total rate the turn passes to the next vehicle that reports,
// so the overall rate holds. One thread.
class FleetSimulator : public DatagramSource {
public:
    // `options` must have its seed and start time set.
    FleetSimulator(const FleetOptions& options, std::vector<Vehicle> vehicles);

    Slot fill(uint64_t slot, std::string& datagram) override;
    // The report of a slot when fill would give a datagram (Slot::Datagram); its comment 2 is
    // kept in `comment2`, comment 1 in the simulator. For sources that send it changed.
    Slot report(uint64_t slot, PositionReport& out, std::string& comment2);
    // The time of a slot on the pacing schedule, in seconds from the start.
    double secondsOf(uint64_t slot) const { return pacer_.secondsOf(slot); }

    // Silences that began during the run, counted once each as they are met.
    uint64_t silentPeriods() const { return silentPeriods_; }
    size_t vehicleCount() const { return vehicles_.size(); }
    const SilenceSchedule& silences() const { return silences_; }

    // Whether the meeting pair of the options is in the fleet (and so meets).
    bool meets() const { return meeting_.has_value(); }

    // Comment 2 of a vehicle at a time: "Leg N", moving to the next leg every
    // few minutes (per vehicle), unless fixed by --comment2.
    std::string comment2At(uint32_t vehicle, double seconds) const;

private:
    // Whether the vehicle is silent at the time; counts each silence once.
    bool silentNow(uint32_t vehicle, double seconds);
    GeoPoint positionOf(uint32_t vehicle, double seconds) const;

    // Places in the fleet of the meeting pair's host and visitor.
    struct MeetingPlaces {
        uint32_t host;
        uint32_t visitor;
    };

    std::vector<Vehicle> vehicles_;
    std::vector<std::string> comments1_; // cleaned, one per vehicle
    std::optional<std::string> fixedComment2_;
    SeededRandom random_;
    std::vector<VehicleTrack> tracks_;
    SilenceSchedule silences_;
    RatePacer pacer_;
    int64_t startTimeMs_;
    bool passSilentTurns_;
    std::vector<int64_t> lastSilence_; // per vehicle, the last silence counted
    std::optional<MeetingPlaces> meeting_;
    uint64_t silentPeriods_ = 0;
};

} // namespace fleetsim
