#include "tools/fleet-sim/FleetSimulator.h"

#include "tools/fleet-sim/MeetingPair.h"
#include "tools/fleet-sim/PositionDatagram.h"

#include <algorithm>
#include <cmath>

namespace fleetsim {
namespace {

enum LegKey : uint64_t {
    kLegLength = 0x301,
    kLegPhase,
    kFirstLeg,
};

// A vehicle moves on to its next leg every 1 to 4 minutes.
constexpr double kShortestLeg = 60.0;
constexpr double kLongestLeg = 240.0;

} // namespace

FleetSimulator::FleetSimulator(const FleetOptions& options, std::vector<Vehicle> vehicles)
    : vehicles_(std::move(vehicles)), random_(options.seed.value_or(0)),
      silences_(random_, static_cast<uint32_t>(vehicles_.size()), options.silentFraction,
                options.silentSeconds),
      pacer_(options.slotsPerSecond(vehicles_.size())),
      startTimeMs_(options.startTimeMs.value_or(0)), passSilentTurns_(options.totalRate > 0.0),
      lastSilence_(vehicles_.size(), -1) {
    const GeoPoint center{options.centerLatitude, options.centerLongitude};
    for (uint32_t i = 0; i < vehicles_.size(); ++i) {
        tracks_.emplace_back(random_, i, center, options.radius);
        comments1_.push_back(
            PositionDatagram::cleanComment(options.comment1.value_or(vehicles_[i].name)));
    }
    if (options.comment2) {
        fixedComment2_ = PositionDatagram::cleanComment(*options.comment2);
    }
    if (options.meet) {
        const auto placeOf = [this](int32_t id) {
            return std::find_if(vehicles_.begin(), vehicles_.end(),
                                [id](const Vehicle& v) { return v.id == id; }) -
                   vehicles_.begin();
        };
        const auto host = static_cast<size_t>(placeOf(options.meet->host));
        const auto visitor = static_cast<size_t>(placeOf(options.meet->visitor));
        if (host < vehicles_.size() && visitor < vehicles_.size()) {
            meeting_ = MeetingPlaces{static_cast<uint32_t>(host), static_cast<uint32_t>(visitor)};
        }
    }
}

GeoPoint FleetSimulator::positionOf(uint32_t vehicle, double seconds) const {
    if (!meeting_ || (vehicle != meeting_->host && vehicle != meeting_->visitor)) {
        return tracks_[vehicle].positionAt(seconds);
    }
    const GeoPoint host =
        tracks_[meeting_->host].positionAt(MeetingPair::hostTrackSeconds(seconds));
    return vehicle == meeting_->host ? host : MeetingPair::visitorPosition(host, seconds);
}

std::string FleetSimulator::comment2At(uint32_t vehicle, double seconds) const {
    if (fixedComment2_) {
        return *fixedComment2_;
    }
    const double legLength = random_.between(kShortestLeg, kLongestLeg, kLegLength, vehicle);
    const double phase = legLength * random_.unit(kLegPhase, vehicle);
    const uint64_t firstLeg = 1 + random_.bits(kFirstLeg, vehicle) % 5;
    const double legsDone = std::floor((std::max(seconds, 0.0) + phase) / legLength);
    return "Leg " + std::to_string(firstLeg + static_cast<uint64_t>(legsDone));
}

bool FleetSimulator::silentNow(uint32_t vehicle, double seconds) {
    // A silent partner would hide the meeting the pair is there to show.
    if (meeting_ && (vehicle == meeting_->host || vehicle == meeting_->visitor)) {
        return false;
    }
    const int64_t silence = silences_.silenceAt(vehicle, seconds);
    if (silence < 0) {
        return false;
    }
    if (silence != lastSilence_[vehicle]) {
        lastSilence_[vehicle] = silence;
        ++silentPeriods_;
    }
    return true;
}

DatagramSource::Slot FleetSimulator::fill(uint64_t slot, std::string& datagram) {
    PositionReport out;
    std::string comment2;
    const Slot filled = report(slot, out, comment2);
    if (filled == Slot::Datagram) {
        datagram = PositionDatagram::format(out);
    }
    return filled;
}

DatagramSource::Slot FleetSimulator::report(uint64_t slot, PositionReport& out,
                                            std::string& comment2) {
    if (vehicles_.empty()) {
        return Slot::End;
    }
    const double seconds = pacer_.secondsOf(slot);
    const size_t count = vehicles_.size();
    uint32_t vehicle = static_cast<uint32_t>(slot % count);
    size_t tried = 1;
    while (silentNow(vehicle, seconds)) {
        if (!passSilentTurns_ || tried == count) {
            return Slot::Skip;
        }
        vehicle = static_cast<uint32_t>((vehicle + 1) % count);
        ++tried;
    }
    const GeoPoint position = positionOf(vehicle, seconds);
    comment2 = comment2At(vehicle, seconds);
    out.id = vehicles_[vehicle].id;
    out.comment1 = comments1_[vehicle];
    out.comment2 = comment2;
    out.utcMilliseconds = startTimeMs_ + static_cast<int64_t>(std::floor(seconds * 1000.0));
    out.latitude = position.latitude;
    out.longitude = position.longitude;
    return Slot::Datagram;
}

} // namespace fleetsim
