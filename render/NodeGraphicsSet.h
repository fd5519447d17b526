#pragma once

#include "config/NodeGraphicsFile.h"
#include "render/NodeGraphics.h"
#include "render/RoleTable.h"
#include "render/TrailLines.h"

#include <memory>
#include <vector>

class DrawContext;

namespace config {
class Preferences;
}
namespace nodes {
class NodeRecord;
class NodeTable;
class ProximityAlarm;
} // namespace nodes

namespace render {

// Everything the node graphics file defines: every entry in file order (the node graphics
// list), the role table (default icon, target and chase markers, proximity markers of ranks 1
// to 10) and the per-node icons. Owned by the application object; replaced as a whole when the
// node graphics file is loaded again. Main thread only; drawing needs the GL context current.
class NodeGraphicsSet {
public:
    // The graphics chosen for one node in this frame.
    struct Choice {
        NodeGraphics* icon = nullptr;   // own icon; none when nothing can draw the node
        NodeGraphics* marker = nullptr; // drawn under the icon
        bool inTargetGroup = false;
    };

    void load(const std::vector<config::NodeGraphicsEntry>& entries);
    // Gives every record of the table its per-node icon (an index into the list), or none.
    void assignPerNodeIcons(nodes::NodeTable& table) const;

    Choice choose(const nodes::NodeRecord& node, const config::Preferences& preferences,
                  const nodes::NodeTable& table) const;
    // Draws every node of the table in table order: marker, then icon with its labels.
    // With stateFromFile the stored idle status is drawn, else the one computed now.
    // While the table keeps trails, the trail of every node drawn goes first, under all
    // markers and icons, in the colour its icon has for its status. A vehicle the alarm
    // holds in alarm gets the flashing red ring under its marker.
    void drawNodes(const DrawContext& context, const config::Preferences& preferences,
                   nodes::NodeTable& table, bool stateFromFile,
                   const nodes::ProximityAlarm* alarm = nullptr);

    int count() const { return static_cast<int>(list_.size()); }
    NodeGraphics* entry(int index) const;
    const RoleTable& roleTable() const { return roleTable_; }
    const std::vector<NodeGraphics*>& perNodeList() const { return perNodeList_; }

private:
    // Calls draw(node, choice, status) for every node that is drawn, in table order.
    template <typename Draw>
    void forEachDrawn(const config::Preferences& preferences, nodes::NodeTable& table,
                      bool stateFromFile, Draw draw) const;
    void drawTrails(const DrawContext& context, const config::Preferences& preferences,
                    nodes::NodeTable& table, bool stateFromFile);
    static void drawAlarmRing(const DrawContext& context, const nodes::NodeRecord& node,
                              const Choice& choice);

    std::vector<std::unique_ptr<NodeGraphics>> list_;
    RoleTable roleTable_;
    std::vector<NodeGraphics*> perNodeList_;
    std::vector<int32_t> perNodeIndex_; // list position of each per-node icon
    TrailLines trails_;                 // reused by every frame
};

} // namespace render
