#pragma once

#include <array>
#include <cstdint>

namespace app {

// The seven timed activities of the run loop, each with a last-run time and a
// period in counts of the high-resolution counter. Whether a slot is switched
// on is the application's business (it reads the dialogs); this class does
// the due and wait arithmetic, in 64-bit integers. Main thread.
class ActivitySchedule {
public:
    enum Slot {
        kFrame = 0,
        kMulticastInput = 1,
        kLocalStateInput = 2,
        kRemoteStateInput = 3,
        kClientInput = 4,
        kLocalSnapshot = 5,
        kClientOutput = 6,
    };
    static constexpr int kSlotCount = 7;
    // The loop never sleeps longer than this while a timed activity is on.
    static constexpr double kLongestWait = 1.0 / 60.0;

    // Reads the frequency and the counter; every slot last ran now and has a
    // period of one second.
    ActivitySchedule();

    void sampleClock();
    int64_t now() const { return now_; }
    int64_t frequency() const { return frequency_; }

    // Slots outside 0 to 6 are never due and have no period.
    bool isDue(int slot) const;
    double timeUntilDue(int slot) const;
    void markRun(int slot) { markRunAt(slot, now_); }
    void markRunAt(int slot, int64_t ticks);
    int64_t lastRun(int slot) const;

    int64_t period(int slot) const;
    // Period = trunc(seconds x frequency); last-run times are left alone.
    void setPeriodSeconds(int slot, double seconds);

    // How long the loop may wait: the least time until due over the slots in
    // `waitingOn`, never above kLongestWait; negative when no slot is in it,
    // which means the loop may block until an event comes.
    double waitSeconds(const std::array<bool, kSlotCount>& waitingOn) const;

private:
    static bool valid(int slot) { return slot >= 0 && slot < kSlotCount; }

    int64_t frequency_;
    int64_t now_;
    std::array<int64_t, kSlotCount> lastRun_{};
    std::array<int64_t, kSlotCount> period_{};
};

} // namespace app
