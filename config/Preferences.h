#pragma once

#include <cstdint>

namespace config {

// What the display is told to follow and show: the target and chase
// vehicles, how many close vehicles are tracked and marked, how the view
// follows, which nodes and comment lines are drawn, the idle limits, the
// proximity alarm and the span of the vehicles' trails.
// One record, owned by the application object; the preferences file sets it
// at start and the preferences dialog's widgets write it. Main thread.
class Preferences {
public:
    enum TrackMode : int32_t { kTrackAll = 0, kTrackTargetGroup = 1, kTrackRoam = 2 };
    enum DisplayMode : int32_t { kDisplayAll = 0, kDisplayTargetGroup = 1 };

    virtual ~Preferences() = default;

    int32_t targetId = 1;
    bool targetIcon = false;
    int32_t chaseId = 2;
    bool chaseIcon = false;
    int32_t proxNumber = 5; // 0..9
    bool proxIcon = false;
    int32_t trackMode = kTrackRoam;
    int32_t displayMode = kDisplayAll;
    bool commentNode = true;
    bool commentPacket1 = true;
    bool commentPacket2 = true;
    double alertDistance = 100.0; // metres from the target that put a vehicle in alarm
    bool alertAlarm = false;      // the proximity alarm is on
    double mediumIdle = 5.0;      // seconds
    double badIdle = 10.0;        // seconds
    double trailSeconds = 0.0;    // span of the trails drawn behind the vehicles; 0 draws none
};

} // namespace config
