#include "render/ViewFollower.h"

#include "config/Preferences.h"
#include "nodes/NodeRecord.h"
#include "nodes/NodeTable.h"
#include "render/MapView.h"

#include <algorithm>
#include <cmath>

namespace render {

namespace {

// Half-extents of the nodes that frame the view, measured from the target.
struct Extent {
    double x = 0.0;
    double y = 0.0;
    bool any = false;

    void add(const nodes::NodeRecord* node, double targetX, double targetY) {
        if (node == nullptr || !node->everFresh) {
            return;
        }
        x = std::max(x, std::fabs(targetX - node->longitude));
        y = std::max(y, std::fabs(targetY - node->latitude));
        any = true;
    }
};

} // namespace

int32_t ViewFollower::elapsedMs(platform::TimeStamp& last, const platform::TimeStamp& now,
                                int32_t capSeconds) {
    const int64_t seconds = static_cast<int64_t>(now.time) - last.time;
    int64_t elapsed = 0;
    if (seconds > capSeconds) {
        elapsed = static_cast<int64_t>(capSeconds) * 1000;
    } else {
        elapsed = seconds * 1000 - last.millitm + now.millitm;
    }
    last = now;
    // A wall clock set back would give a negative time and overshoot the smoothing.
    return static_cast<int32_t>(std::max<int64_t>(elapsed, 0));
}

double ViewFollower::wantedWidth(double extentX, double extentY, double contextWidth,
                                 double contextHeight) {
    const double heightAsWidth =
        contextHeight > 0.0 ? 2.0 * extentY * contextWidth / contextHeight : 1.0;
    return 1.5 * std::max(2.0 * extentX, heightAsWidth);
}

double ViewFollower::widthWeight(int32_t elapsed) {
    return std::pow(0.0001, elapsed * 0.03);
}

double ViewFollower::centerWeight(int32_t elapsed, double distance, double viewWidth) {
    const double r = std::pow(4.0 * distance / viewWidth, 8.0);
    double weight = std::pow(0.1 * r, elapsed * 0.03);
    // At least a tenth of the way per frame; also what a degenerate view (not a number) gets.
    if (!(weight >= 0.1)) {
        weight = 0.1;
    }
    return std::min(weight, 1.0);
}

void ViewFollower::update(MapView& view, const nodes::NodeTable& table,
                          const config::Preferences& preferences, double contextWidth,
                          double contextHeight, const platform::TimeStamp& now) {
    const nodes::NodeRecord* target = table.findById(preferences.targetId);
    if (target == nullptr) {
        return;
    }
    const double targetX = target->longitude;
    const double targetY = target->latitude;
    if (!centerInitialized_ && target->everFresh) {
        centerInitialized_ = true;
        followX_ = targetX;
        followY_ = targetY;
    }
    if (preferences.displayMode != lastDisplayMode_) {
        zoomReset_ = true;
    }
    lastDisplayMode_ = preferences.displayMode;

    switch (preferences.trackMode) {
    case config::Preferences::kTrackAll:
        if (!centerInitialized_) {
            framingActive_ = false;
            zoomReset_ = true;
        } else {
            frameNodes(table, preferences, targetX, targetY, contextWidth, contextHeight);
        }
        break;
    case config::Preferences::kTrackTargetGroup:
        framingActive_ = false;
        zoomReset_ = true;
        break;
    default:
        centerInitialized_ = false;
        framingActive_ = false;
        zoomReset_ = true;
        break;
    }

    const int32_t elapsed = elapsedMs(lastFrameTime_, now, 10);
    const double distance = std::hypot(targetY - followY_, targetX - followX_);
    const double widthW = widthWeight(elapsed);
    const double centerW = centerWeight(elapsed, distance, view.viewWidthNow());

    if (centerInitialized_) {
        followX_ = (1.0 - centerW) * followX_ + centerW * targetX;
        followY_ = (1.0 - centerW) * followY_ + centerW * targetY;
        view.setCenter(followX_, followY_);
    }
    // A wanted width of 0 (every contributing node on the target) or not a number would make
    // the projection degenerate: the width stays as it is that frame.
    if (framingActive_ && wanted_ > 0.0 && std::isfinite(wanted_)) {
        if (zoomReset_) {
            followWidth_ = wanted_;
            zoomReset_ = false;
        }
        followWidth_ = (1.0 - widthW) * followWidth_ + widthW * wanted_;
        view.setViewWidth(followWidth_);
    }
}

void ViewFollower::frameNodes(const nodes::NodeTable& table, const config::Preferences& preferences,
                              double targetX, double targetY, double contextWidth,
                              double contextHeight) {
    Extent extent;
    if (preferences.displayMode == config::Preferences::kDisplayAll) {
        const int64_t total = static_cast<int64_t>(table.fileNodeCount()) + table.lateNodeCount();
        for (int64_t position = 0; position < total; ++position) {
            extent.add(table.recordAt(position), targetX, targetY);
        }
    } else {
        extent.add(table.findById(preferences.chaseId), targetX, targetY);
        for (int i = 0; i < preferences.proxNumber; ++i) {
            extent.add(table.closeNode(i), targetX, targetY);
        }
    }
    // Only ever set here: a frame where nothing contributes keeps the previous frame's state.
    if (extent.any) {
        framingActive_ = true;
    }
    wanted_ = wantedWidth(extent.x, extent.y, contextWidth, contextHeight);
}

} // namespace render
