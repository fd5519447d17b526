#pragma once

#include "tools/fleet-sim/DatagramSource.h"
#include "tools/fleet-sim/FleetSimulator.h"
#include "tools/fleet-sim/SeededRandom.h"

#include <cstdint>
#include <string>

namespace fleetsim {

// A simulated fleet with a share of its slots turned into garbage, to flood a
// display with what a broken or hostile sender hands it. Each garbage slot
// takes the place of the vehicle report that was due, as one of (in equal
// shares):
//   - random bytes, 1 to 300 of them, never a "$" (so never a sentence);
//   - the report cut short before the "*" of its GLL sentence;
//   - a 65 000-byte datagram: the report's start up to "$GPZDA," and then
//     text without a "*", so that it parses at no buffer size;
//   - the report dated 10 years ahead (within 32-bit seconds), which a
//     display takes and must give up at the vehicle's next report;
//   - the report dated an hour back, which a display refuses as older;
//   - the report with control characters (no zero byte) in both comments,
//     which a display takes and must write readably.
// Refused or replaced at once, none should be what a display holds at the
// end: the slots of the last second of a run with a duration carry no
// garbage, so every vehicle's last datagram is a genuine report. Which slots
// and kinds depend only on the seed. One thread.
class GarbageMixer : public DatagramSource {
public:
    enum class Kind { RandomBytes, Cut, Huge, FarFuture, Older, ControlCharacters };
    static constexpr int kKinds = 6;
    static constexpr size_t kHugeBytes = 65000;

    // `share` from 0 to 1; `duration` in seconds, 0 for none.
    GarbageMixer(FleetSimulator& fleet, double share, uint64_t seed, double duration);

    Slot fill(uint64_t slot, std::string& datagram) override;

    // The garbage of a kind made from a report; `key` picks lengths and bytes.
    static std::string garbage(Kind kind, const PositionReport& report, const SeededRandom& random,
                               uint64_t key);

private:
    FleetSimulator& fleet_;
    double share_;
    SeededRandom random_;
    double cleanFrom_; // seconds from the start; no garbage from then on
};

} // namespace fleetsim
