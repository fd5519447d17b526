#include "nodes/ProximityAlarm.h"

#include "nodes/NodeRecord.h"
#include "nodes/NodeTable.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <numbers>

namespace nodes {
namespace {

constexpr double kRadiansPerDegree = std::numbers::pi / 180.0;

bool nearerFirst(const ProximityAlarm::Contact& a, const ProximityAlarm::Contact& b) {
    return a.metres < b.metres;
}

std::string idText(int32_t id) {
    char text[16];
    std::snprintf(text, sizeof text, "ID%03d", id);
    return text;
}

} // namespace

static_assert(NodeTable::kMaxId < 1001, "an identifier must fit the alarm's sets");

double ProximityAlarm::distanceMetres(double latitude1, double longitude1, double latitude2,
                                      double longitude2) {
    const double phi1 = latitude1 * kRadiansPerDegree;
    const double phi2 = latitude2 * kRadiansPerDegree;
    const double halfDPhi = (phi2 - phi1) / 2.0;
    const double halfDLambda = (longitude2 - longitude1) * kRadiansPerDegree / 2.0;
    const double a = std::sin(halfDPhi) * std::sin(halfDPhi) + std::cos(phi1) * std::cos(phi2) *
                                                                   std::sin(halfDLambda) *
                                                                   std::sin(halfDLambda);
    // Rounding can take a just above 1 for points at opposite ends of the earth.
    return 2.0 * kEarthRadiusMetres * std::asin(std::sqrt(std::clamp(a, 0.0, 1.0)));
}

bool ProximityAlarm::reporting(const NodeRecord& record, const platform::TimeStamp& now,
                               bool stateFromFile) {
    if (stateFromFile) {
        return record.idleStatus != NodeRecord::kBadIdle && record.reportTime.time != 0;
    }
    return record.idleStatusAt(now) != NodeRecord::kBadIdle;
}

void ProximityAlarm::update(const NodeTable& table, int32_t targetId, double alertMetres,
                            const platform::TimeStamp& now, bool stateFromFile) {
    if (targetId != targetId_) {
        inSet_.reset();
        targetId_ = targetId;
    }
    previous_ = inSet_;
    inSet_.reset();
    inAlarm_.clear();
    entered_.clear();
    const NodeRecord* target = table.findById(targetId);
    if (target == nullptr || !reporting(*target, now, stateFromFile)) {
        return;
    }
    const int64_t records =
        static_cast<int64_t>(table.fileNodeCount()) + static_cast<int64_t>(table.lateNodeCount());
    for (int64_t i = 0; i < records; ++i) {
        const NodeRecord* vehicle = table.recordAt(i);
        if (vehicle == nullptr || vehicle == target || vehicle->id < 0 ||
            vehicle->id >= static_cast<int32_t>(kIds) || !reporting(*vehicle, now, stateFromFile)) {
            continue;
        }
        const size_t id = static_cast<size_t>(vehicle->id);
        const bool wasIn = previous_.test(id);
        const double limit = wasIn ? alertMetres * kLeaveFactor : alertMetres;
        // No great circle is shorter than its north-south part: most vehicles end here.
        if (kEarthRadiusMetres * std::fabs(vehicle->latitude - target->latitude) *
                kRadiansPerDegree >
            limit) {
            continue;
        }
        const double metres = distanceMetres(target->latitude, target->longitude, vehicle->latitude,
                                             vehicle->longitude);
        if (!(metres <= limit)) {
            continue;
        }
        inSet_.set(id);
        inAlarm_.push_back(Contact{vehicle->id, metres});
        if (!wasIn) {
            entered_.push_back(Contact{vehicle->id, metres});
        }
    }
    std::stable_sort(inAlarm_.begin(), inAlarm_.end(), nearerFirst);
    std::stable_sort(entered_.begin(), entered_.end(), nearerFirst);
}

void ProximityAlarm::clear() {
    inSet_.reset();
    inAlarm_.clear();
    entered_.clear();
}

bool ProximityAlarm::isInAlarm(int32_t id) const {
    return id >= 0 && id < static_cast<int32_t>(kIds) && inSet_.test(static_cast<size_t>(id));
}

// Whole metres, rounded to the nearest: the alert distance is a few tens of metres and the
// positions are no better than a metre.
std::string ProximityAlarm::alertText(const NodeTable& table, const Contact& contact) const {
    std::string name;
    if (NodeRecord* record = table.findById(contact.id)) {
        record->lock();
        name = record->name;
        record->unlock();
    }
    char metres[32];
    std::snprintf(metres, sizeof metres, "%.0f m", std::round(contact.metres));
    std::string text = "ALERT " + idText(contact.id) + " ";
    if (!name.empty()) {
        text += name + " ";
    }
    return text + metres + " from " + idText(targetId_);
}

std::string ProximityAlarm::boxText(const NodeTable& table) const {
    if (inAlarm_.empty()) {
        return "";
    }
    std::string text = alertText(table, inAlarm_.front());
    if (inAlarm_.size() > 1) {
        text += " +" + std::to_string(inAlarm_.size() - 1) + " more";
    }
    return text;
}

std::string ProximityAlarm::entryLine(const NodeTable& table, const Contact& contact,
                                      const platform::TimeStamp& now) const {
    const std::time_t seconds = now.time;
    std::tm local{};
    char when[32] = "";
    if (localtime_r(&seconds, &local) != nullptr) {
        std::strftime(when, sizeof when, "%Y-%m-%d %H:%M:%S", &local);
    }
    return std::string(when) + " " + alertText(table, contact);
}

} // namespace nodes
