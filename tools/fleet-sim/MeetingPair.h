#pragma once

#include "tools/fleet-sim/GeoPoint.h"

namespace fleetsim {

// Two vehicles that meet now and then, so a display's proximity alarm has something to show
// early in a run. The visitor escorts the host kFarMetres to its north-east; every kPeriod
// seconds, the first time kFirstMeeting seconds into the run, it closes in to kNearMetres over
// kApproach seconds, stays kStay seconds and drives off again. The host stands still from the
// visitor's approach until it has driven off, so the distance between their reports, which
// are sent at different moments of each second, is the one intended even for a fast host.
// Pure functions of time; any thread.
class MeetingPair {
public:
    static constexpr double kFirstMeeting = 30.0;
    static constexpr double kPeriod = 180.0;
    static constexpr double kApproach = 10.0;
    static constexpr double kStay = 15.0;
    static constexpr double kNearMetres = 40.0;
    static constexpr double kFarMetres = 6000.0;

    // The time along the host's own track at `seconds` into the run: its track stops during
    // every meeting.
    static double hostTrackSeconds(double seconds);
    // How far the visitor keeps from the host at `seconds`.
    static double distanceMetres(double seconds);
    // The visitor's position when the host is at `host`.
    static GeoPoint visitorPosition(GeoPoint host, double seconds);
};

} // namespace fleetsim
