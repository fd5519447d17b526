#pragma once

#include <array>

namespace render {

class NodeGraphics;

// Which node graphics serve a role: slot 0 the default icon, 1 the target marker, 2 the chase
// marker, 3 to 12 the proximity markers of ranks 1 to 10 (slot 2 + rank). Empty slots hold none.
// Only slots 0 to 12 exist, so a proximity rank above 10 or below -2 has no place and is ignored.
//
// Ownership: the slots point at graphics owned by the node graphics set. Main thread only.
// Failure: a slot outside 0 to 12 reads as none and is never written.
class RoleTable {
public:
    static constexpr int kSize = 13;
    static constexpr int kDefaultIconSlot = 0;
    static constexpr int kTargetMarkerSlot = 1;
    static constexpr int kChaseMarkerSlot = 2;

    // Puts graphics in the slot of its kind and number; a later one replaces an earlier one.
    // Per-node icons and unused entries go nowhere. A proximity rank of 0, -1 or -2 lands in
    // the chase, target or default slot.
    void place(NodeGraphics* graphics);
    void clear() { slots_.fill(nullptr); }

    NodeGraphics* slot(int index) const;
    int size() const { return kSize; }

private:
    std::array<NodeGraphics*, kSize> slots_{};
};

} // namespace render
