#pragma once

#include "platform/TimeStamp.h"

#include <bitset>
#include <cstdint>
#include <string>
#include <vector>

namespace nodes {

class NodeRecord;
class NodeTable;

// Warns when vehicles come close to the target vehicle. Each cycle measures the great-circle
// distance (on the mean earth radius) from the target's last position to every other
// vehicle's. A vehicle enters alarm at most `alert` metres away and stays in it up to
// kLeaveFactor times that, so one driving on the edge does not chatter; one that left and
// comes back enters again, and every entry is to sound the bell once.
//
// Only vehicles that report take part, the target included: on a live display those whose
// last report was received within their bad-idle limit, on a display fed by state files those
// whose stored status is not bad idle and that have a report time. A vehicle falling silent
// leaves the alarm at once; a silent target puts every vehicle out of it.
//
// State is kept by identifier, so a reloaded node table leaves nothing dangling; a new target
// starts afresh. Owned by the application object. Main thread only, like the other readers of
// positions in the frame; the records' names are copied under their locks. Failure: none; a
// missing target simply puts nothing in alarm.
class ProximityAlarm {
public:
    static constexpr double kEarthRadiusMetres = 6371008.8;
    static constexpr double kLeaveFactor = 1.1;

    struct Contact {
        int32_t id = 0;
        double metres = 0.0;
    };

    // One cycle. Afterwards inAlarm() lists the vehicles in alarm and entered() those that
    // entered in this cycle, each nearest first (equal distances in table order).
    void update(const NodeTable& table, int32_t targetId, double alertMetres,
                const platform::TimeStamp& now, bool stateFromFile);
    // Puts every vehicle out of alarm without a word: the alarm was switched off.
    void clear();

    const std::vector<Contact>& inAlarm() const { return inAlarm_; }
    const std::vector<Contact>& entered() const { return entered_; }
    bool isInAlarm(int32_t id) const;
    int32_t targetId() const { return targetId_; }

    // "ALERT ID012 Courier 45 m from ID001" for the nearest vehicle in alarm, followed by
    // " +2 more" when there are others; "" when none is in alarm.
    std::string boxText(const NodeTable& table) const;
    // The line written for an entry: the local time of `now`, then the alert as in the box,
    // e.g. "2026-02-12 15:30:05 ALERT ID012 Courier 45 m from ID001".
    std::string entryLine(const NodeTable& table, const Contact& contact,
                          const platform::TimeStamp& now) const;

    // Great-circle distance in metres between two positions in decimal degrees (haversine).
    static double distanceMetres(double latitude1, double longitude1, double latitude2,
                                 double longitude2);

private:
    static bool reporting(const NodeRecord& record, const platform::TimeStamp& now,
                          bool stateFromFile);
    std::string alertText(const NodeTable& table, const Contact& contact) const;

    static constexpr size_t kIds = 1001; // identifiers 0 to 1000

    int32_t targetId_ = -1;
    std::bitset<kIds> inSet_;
    std::bitset<kIds> previous_;
    std::vector<Contact> inAlarm_;
    std::vector<Contact> entered_;
};

} // namespace nodes
