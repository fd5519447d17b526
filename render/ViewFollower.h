#pragma once

#include "platform/TimeStamp.h"

#include <cstdint>

class MapView;

namespace config {
class Preferences;
}
namespace nodes {
class NodeTable;
}

namespace render {

// Moves the view automatically, once per frame, as the track mode asks: keeps the target node
// centred (track modes 0 and 1) and, in mode 0, zooms so that every fresh node (or the target
// group, in display mode 1) fits with a margin. Both movements are smoothed by the time since
// the previous frame: the centre moves at least a tenth of the way per frame and jumps onto a
// target that is far off; the width eases towards the wanted width, or jumps to it after a
// change of mode (zoomReset).
//
// Owned by the application object; main thread only. Reads node positions without their locks,
// as the frame does. Nothing to report: a missing target leaves the view alone.
class ViewFollower {
public:
    // One frame's follow step; `now` is the millisecond clock at this frame.
    void update(MapView& view, const nodes::NodeTable& table,
                const config::Preferences& preferences, double contextWidth, double contextHeight,
                const platform::TimeStamp& now);

    // Milliseconds since `last` (at most capSeconds * 1000, at least 0); stores `now` in `last`.
    static int32_t elapsedMs(platform::TimeStamp& last, const platform::TimeStamp& now,
                             int32_t capSeconds);
    // 1.5 times the full extent that shows every contributing node for the window's aspect.
    static double wantedWidth(double extentX, double extentY, double contextWidth,
                              double contextHeight);
    static double widthWeight(int32_t elapsed);
    static double centerWeight(int32_t elapsed, double distance, double viewWidth);

    bool centerInitialized() const { return centerInitialized_; }
    bool framingActive() const { return framingActive_; }
    bool zoomReset() const { return zoomReset_; }
    double followX() const { return followX_; }
    double followY() const { return followY_; }
    double followWidth() const { return followWidth_; }
    // The wanted width of the last framing frame.
    double lastWantedWidth() const { return wanted_; }

private:
    void frameNodes(const nodes::NodeTable& table, const config::Preferences& preferences,
                    double targetX, double targetY, double contextWidth, double contextHeight);

    bool centerInitialized_ = false;
    bool framingActive_ = false;
    bool zoomReset_ = true;
    platform::TimeStamp lastFrameTime_;
    double followX_ = 0.0;
    double followY_ = 0.0;
    double followWidth_ = 0.0;
    int32_t lastDisplayMode_ = -1;
    double wanted_ = 0.0;
};

} // namespace render
