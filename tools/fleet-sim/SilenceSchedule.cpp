#include "tools/fleet-sim/SilenceSchedule.h"

#include <algorithm>
#include <cmath>
#include <numeric>

namespace fleetsim {
namespace {

enum SilenceKey : uint64_t {
    kPick = 0x201,
    kTalking,
    kPhase,
    kLength,
};

// Between two silences a vehicle reports for two to six silence lengths, so
// the quiet ones still spend most of their time on the map.
constexpr double kShortestTalk = 2.0;
constexpr double kLongestTalk = 6.0;

} // namespace

SilenceSchedule::SilenceSchedule(const SeededRandom& random, uint32_t vehicleCount,
                                 double silentFraction, double silentSeconds)
    : random_(random), silentSeconds_(silentSeconds), cycles_(vehicleCount) {
    if (vehicleCount == 0 || !(silentFraction > 0.0) || !(silentSeconds > 0.0)) {
        return;
    }
    const double share = std::min(silentFraction, 1.0);
    silentVehicleCount_ = static_cast<uint32_t>(std::lround(share * vehicleCount));

    // The quiet vehicles are the first ones in an order that the seed shuffles.
    std::vector<uint32_t> order(vehicleCount);
    std::iota(order.begin(), order.end(), 0u);
    std::sort(order.begin(), order.end(), [&random](uint32_t a, uint32_t b) {
        const uint64_t keyA = random.bits(kPick, a);
        const uint64_t keyB = random.bits(kPick, b);
        return keyA != keyB ? keyA < keyB : a < b;
    });
    for (uint32_t i = 0; i < silentVehicleCount_; ++i) {
        const uint32_t vehicle = order[i];
        Cycle& cycle = cycles_[vehicle];
        cycle.fallsSilent = true;
        // The longest silence is twice the given length; the talking time follows it.
        const double talk =
            silentSeconds * random.between(kShortestTalk, kLongestTalk, kTalking, vehicle);
        cycle.length = 2.0 * silentSeconds + talk;
        cycle.phase = cycle.length * random.unit(kPhase, vehicle);
    }
}

bool SilenceSchedule::fallsSilent(uint32_t vehicle) const {
    return vehicle < cycles_.size() && cycles_[vehicle].fallsSilent;
}

double SilenceSchedule::silenceLength(uint32_t vehicle, int64_t silence) const {
    return silentSeconds_ * (1.0 + random_.unit(kLength, vehicle, static_cast<uint64_t>(silence)));
}

int64_t SilenceSchedule::silenceAt(uint32_t vehicle, double seconds) const {
    if (!fallsSilent(vehicle) || !(seconds >= 0.0) || !std::isfinite(seconds)) {
        return -1;
    }
    const Cycle& cycle = cycles_[vehicle];
    const double sinceFirst = seconds + cycle.phase;
    const double number = std::floor(sinceFirst / cycle.length);
    const double intoCycle = sinceFirst - number * cycle.length;
    const int64_t silence = static_cast<int64_t>(number);
    return intoCycle < silenceLength(vehicle, silence) ? silence : -1;
}

} // namespace fleetsim
