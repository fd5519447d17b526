#pragma once

#include "tools/fleet-sim/DatagramSink.h"
#include "tools/fleet-sim/DatagramSource.h"
#include "tools/fleet-sim/LastReports.h"
#include "tools/fleet-sim/RatePacer.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>

namespace fleetsim {

// Drives a run: asks the source for each slot when the pacer says it is due
// and hands the datagram to the sink, until a limit is reached, the source
// ends, or `stop` is set (from a signal handler). One thread; the references
// must outlive the runner.
class FleetRunner {
public:
    struct Limits {
        uint64_t count = 0;    // datagrams handed to the sink; 0: no limit
        double duration = 0.0; // seconds of the schedule (of the clock when unpaced); 0: none
        bool unpaced = false;  // send as fast as possible, whatever the pacer says
    };

    struct Totals {
        uint64_t sent = 0; // garbage included
        uint64_t garbage = 0;
        uint64_t sendErrors = 0;
        double seconds = 0.0; // how long the run took
    };

    FleetRunner(DatagramSource& source, DatagramSink& sink, const RatePacer& pacer, Limits limits,
                const std::atomic<bool>& stop);

    Totals run();

    // Keeps each vehicle's last report that was sent (garbage is not a
    // report) in `log`, which must outlive the run.
    void keepLastReports(LastReports& log) { lastReports_ = &log; }

private:
    // Whether the run is over before the next slot, `elapsed` after the start.
    bool finished(std::chrono::nanoseconds elapsed) const;
    // How many slots are due `elapsed` after the start.
    uint64_t dueSlots(std::chrono::nanoseconds elapsed) const;
    // Sends the due slots from the current one up to `end`; false once the
    // source has ended.
    bool sendBatch(uint64_t end, std::chrono::nanoseconds elapsed);
    void waitForNextSlot(std::chrono::steady_clock::time_point start) const;

    DatagramSource& source_;
    DatagramSink& sink_;
    RatePacer pacer_;
    Limits limits_;
    const std::atomic<bool>& stop_;
    uint64_t slot_ = 0;
    Totals totals_;
    std::string datagram_;
    LastReports* lastReports_ = nullptr;
};

} // namespace fleetsim
