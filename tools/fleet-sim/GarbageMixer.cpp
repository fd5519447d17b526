#include "tools/fleet-sim/GarbageMixer.h"

#include "tools/fleet-sim/PositionDatagram.h"

#include <algorithm>
#include <limits>

namespace fleetsim {
namespace {

enum GarbageKey : uint64_t {
    kGarbageSlot = 0x401,
    kGarbageKind,
    kGarbageLength,
    kGarbageByte,
};

constexpr int64_t kTenYearsMs = 3653LL * 86400 * 1000;
constexpr int64_t kHourMs = 3600LL * 1000;
constexpr int64_t kLastTimeMs = int64_t{std::numeric_limits<int32_t>::max()} * 1000;
constexpr size_t kMostRandomBytes = 300;

std::string randomBytes(const SeededRandom& random, uint64_t key) {
    const size_t length = 1 + random.bits(kGarbageLength, key) % kMostRandomBytes;
    std::string bytes(length, '\0');
    for (size_t i = 0; i < length; ++i) {
        const char byte = static_cast<char>(random.bits(kGarbageByte, key, i) & 0xFF);
        bytes[i] = byte == '$' ? '#' : byte;
    }
    return bytes;
}

std::string cut(const std::string& datagram, const SeededRandom& random, uint64_t key) {
    const size_t lastStar = datagram.rfind('*');
    return datagram.substr(0, random.bits(kGarbageLength, key) % std::max<size_t>(lastStar, 1));
}

std::string huge(const std::string& datagram) {
    const std::string start = "$GPZDA,";
    const size_t head = datagram.find(start) + start.size();
    static const std::string filler = [] {
        const std::string pattern = "0123456789.NSEWAV GPGLL ";
        std::string text;
        while (text.size() < GarbageMixer::kHugeBytes) {
            text += pattern;
        }
        return text;
    }();
    return datagram.substr(0, head) + filler.substr(0, GarbageMixer::kHugeBytes - head);
}

std::string redated(PositionReport report, int64_t shiftMs) {
    report.utcMilliseconds = std::clamp<int64_t>(report.utcMilliseconds + shiftMs, 0, kLastTimeMs);
    return PositionDatagram::format(report);
}

std::string withControlCharacters(PositionReport report) {
    const std::string comment1 = "\x01" + std::string(report.comment1) + "\t\x1b[7m";
    const std::string comment2 = "\r\n" + std::string(report.comment2) + "\x7f\x08";
    report.comment1 = comment1;
    report.comment2 = comment2;
    return PositionDatagram::format(report);
}

} // namespace

GarbageMixer::GarbageMixer(FleetSimulator& fleet, double share, uint64_t seed, double duration)
    : fleet_(fleet), share_(share), random_(seed),
      cleanFrom_(duration > 0.0 ? duration - 1.0 : std::numeric_limits<double>::infinity()) {}

std::string GarbageMixer::garbage(Kind kind, const PositionReport& report,
                                  const SeededRandom& random, uint64_t key) {
    switch (kind) {
    case Kind::RandomBytes:
        return randomBytes(random, key);
    case Kind::Cut:
        return cut(PositionDatagram::format(report), random, key);
    case Kind::Huge:
        return huge(PositionDatagram::format(report));
    case Kind::FarFuture:
        return redated(report, kTenYearsMs);
    case Kind::Older:
        return redated(report, -kHourMs);
    case Kind::ControlCharacters:
        return withControlCharacters(report);
    }
    return {};
}

DatagramSource::Slot GarbageMixer::fill(uint64_t slot, std::string& datagram) {
    PositionReport report;
    std::string comment2;
    const Slot filled = fleet_.report(slot, report, comment2);
    if (filled != Slot::Datagram) {
        return filled;
    }
    if (fleet_.secondsOf(slot) >= cleanFrom_ || random_.unit(kGarbageSlot, slot) >= share_) {
        datagram = PositionDatagram::format(report);
        return Slot::Datagram;
    }
    const auto kind = static_cast<Kind>(random_.bits(kGarbageKind, slot) % kKinds);
    datagram = garbage(kind, report, random_, slot);
    return Slot::Garbage;
}

} // namespace fleetsim
