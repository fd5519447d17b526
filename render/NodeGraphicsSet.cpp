#include "render/NodeGraphicsSet.h"

#include "config/Preferences.h"
#include "nodes/NodeRecord.h"
#include "nodes/NodeTable.h"
#include "nodes/ProximityAlarm.h"
#include "platform/Clock.h"
#include "render/AlarmRing.h"
#include "render/DrawContext.h"

#include <FL/gl.h>

#include <algorithm>

namespace render {
namespace {

// Trail points closer than this to the last vertex drawn are left out: with the whole fleet in
// view most reports lie a fraction of a pixel apart, and each segment costs the software
// renderer as much as a pixel-wide one does.
constexpr double kTrailStepPixels = 3.0;

} // namespace

void NodeGraphicsSet::load(const std::vector<config::NodeGraphicsEntry>& entries) {
    list_.clear();
    roleTable_.clear();
    perNodeList_.clear();
    perNodeIndex_.clear();
    list_.reserve(entries.size());
    for (const config::NodeGraphicsEntry& entry : entries) {
        list_.push_back(std::make_unique<NodeGraphics>(entry));
    }
    // File order, so that a later line of the same role replaces an earlier one.
    for (size_t i = 0; i < list_.size(); ++i) {
        NodeGraphics* graphics = list_[i].get();
        roleTable_.place(graphics);
        if (graphics->kind() == config::PerNodeIcon) {
            perNodeList_.push_back(graphics);
            perNodeIndex_.push_back(static_cast<int32_t>(i));
        }
    }
}

void NodeGraphicsSet::assignPerNodeIcons(nodes::NodeTable& table) const {
    const int64_t records =
        static_cast<int64_t>(table.fileNodeCount()) + static_cast<int64_t>(table.lateNodeCount());
    for (int64_t i = 0; i < records; ++i) {
        if (nodes::NodeRecord* record = table.recordAt(i)) {
            record->perNodeIcon = -1;
        }
    }
    for (size_t i = 0; i < perNodeList_.size(); ++i) {
        if (nodes::NodeRecord* record = table.findById(perNodeList_[i]->number())) {
            record->perNodeIcon = perNodeIndex_[i];
        }
    }
}

NodeGraphics* NodeGraphicsSet::entry(int index) const {
    if (index < 0 || index >= count()) {
        return nullptr;
    }
    return list_[static_cast<size_t>(index)].get();
}

NodeGraphicsSet::Choice NodeGraphicsSet::choose(const nodes::NodeRecord& node,
                                                const config::Preferences& preferences,
                                                const nodes::NodeTable& table) const {
    Choice choice;
    choice.icon = entry(node.perNodeIcon);
    if (choice.icon == nullptr) {
        choice.icon = roleTable_.slot(RoleTable::kDefaultIconSlot);
    }
    if (choice.icon == nullptr) {
        choice.icon = entry(0);
    }
    // Ranks: 0 the target, 1 the chase node, 2 and up the closest vehicles. The first rank the
    // node holds decides its marker, so a node that is target and chase gets the target's.
    const int64_t ranks = static_cast<int64_t>(preferences.proxNumber) + 2;
    for (int64_t k = 0; k < ranks; ++k) {
        const nodes::NodeRecord* holder = nullptr;
        NodeGraphics* marker = nullptr;
        if (k == 0) {
            holder = table.findById(preferences.targetId);
            marker =
                preferences.targetIcon ? roleTable_.slot(RoleTable::kTargetMarkerSlot) : nullptr;
        } else if (k == 1) {
            holder = table.findById(preferences.chaseId);
            marker = preferences.chaseIcon ? roleTable_.slot(RoleTable::kChaseMarkerSlot) : nullptr;
        } else {
            if (k - 2 >= nodes::NodeTable::kCloseNodeCount) {
                break;
            }
            holder = table.closeNode(static_cast<int>(k - 2));
            // The marker of rank k - 1 sits in slot k + 1; slot() gives none beyond rank 10.
            marker = preferences.proxIcon ? roleTable_.slot(static_cast<int>(k + 1)) : nullptr;
        }
        if (holder == &node) {
            choice.inTargetGroup = true;
            choice.marker = marker;
            break;
        }
    }
    return choice;
}

template <typename Draw>
void NodeGraphicsSet::forEachDrawn(const config::Preferences& preferences, nodes::NodeTable& table,
                                   bool stateFromFile, Draw draw) const {
    const int64_t records =
        static_cast<int64_t>(table.fileNodeCount()) + static_cast<int64_t>(table.lateNodeCount());
    for (int64_t i = 0; i < records; ++i) {
        nodes::NodeRecord* node = table.recordAt(i);
        if (node == nullptr) {
            continue;
        }
        const Choice choice = choose(*node, preferences, table);
        if (preferences.displayMode == config::Preferences::kDisplayTargetGroup &&
            !choice.inTargetGroup) {
            continue;
        }
        if (choice.icon == nullptr) {
            continue;
        }
        const int32_t status = stateFromFile ? node->idleStatus : node->computeIdleStatus();
        draw(*node, choice, status);
    }
}

void NodeGraphicsSet::drawNodes(const DrawContext& context, const config::Preferences& preferences,
                                nodes::NodeTable& table, bool stateFromFile,
                                const nodes::ProximityAlarm* alarm) {
    if (table.trailSpanMs() > 0) {
        drawTrails(context, preferences, table, stateFromFile);
    }
    forEachDrawn(preferences, table, stateFromFile,
                 [&](nodes::NodeRecord& node, const Choice& choice, int32_t status) {
                     if (alarm != nullptr && alarm->isInAlarm(node.id)) {
                         drawAlarmRing(context, node, choice);
                     }
                     choice.icon->setPosition(node.longitude, node.latitude);
                     choice.icon->setMode(status);
                     if (choice.marker != nullptr) {
                         choice.marker->setPosition(node.longitude, node.latitude);
                         choice.marker->setMode(status);
                         choice.marker->drawMarker(context, preferences, node, false);
                     }
                     choice.icon->draw(context, preferences, node, choice.marker, true);
                 });
}

// Before the icons, so that no trail crosses over another node's icon.
void NodeGraphicsSet::drawTrails(const DrawContext& context, const config::Preferences& preferences,
                                 nodes::NodeTable& table, bool stateFromFile) {
    const NodeGraphics::ViewGeometry view = NodeGraphics::geometryOf(context);
    const int64_t spanMs = table.trailSpanMs();
    const double minStep =
        view.pixelWidth > 0.0 ? kTrailStepPixels * view.width / view.pixelWidth : 0.0;
    trails_.clear();
    forEachDrawn(preferences, table, stateFromFile,
                 [&](nodes::NodeRecord& node, const Choice& choice, int32_t status) {
                     // The colour of the icon's status, without its pulse.
                     const NodeGraphics::Appearance look =
                         NodeGraphics::appearance(choice.icon->values(), status, 0.0);
                     node.lock();
                     trails_.add(node.trail, node.longitude, node.latitude,
                                 node.reportTime.milliseconds(), spanMs, minStep, look.red,
                                 look.green, look.blue);
                     node.unlock();
                 });
    trails_.draw(view.originX(), view.originY());
    glDisable(GL_BLEND);
}

void NodeGraphicsSet::drawAlarmRing(const DrawContext& context, const nodes::NodeRecord& node,
                                    const Choice& choice) {
    const NodeGraphics::ViewGeometry view = NodeGraphics::geometryOf(context);
    double size = choice.icon->values()[0];
    if (choice.marker != nullptr) {
        size = std::max(size, choice.marker->values()[0]);
    }
    const double h = NodeGraphics::halfSide(size, view.width);
    const double t =
        NodeGraphics::pulseValue(platform::Clock::counter(), platform::Clock::frequency());
    glDisable(GL_TEXTURE_2D);
    glEnable(GL_BLEND);
    AlarmRing::draw(node.longitude - view.originX(), node.latitude - view.originY(),
                    AlarmRing::kInner * h, AlarmRing::kOuter * h, AlarmRing::alpha(t));
    glDisable(GL_BLEND);
}

} // namespace render
