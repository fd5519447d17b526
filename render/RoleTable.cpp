#include "render/RoleTable.h"

#include "render/NodeGraphics.h"

namespace render {
namespace {

// The slot of a role, or -1 for graphics that serve none.
int slotOf(const NodeGraphics& graphics) {
    switch (graphics.kind()) {
    case config::DefaultIcon:
        return RoleTable::kDefaultIconSlot;
    case config::TargetMarker:
        return RoleTable::kTargetMarkerSlot;
    case config::ChaseMarker:
        return RoleTable::kChaseMarkerSlot;
    case config::ProximityMarker: {
        // Widened before adding, so a rank near the int limit cannot wrap into a slot.
        const long long index =
            RoleTable::kChaseMarkerSlot + static_cast<long long>(graphics.number());
        return index < 0 || index >= RoleTable::kSize ? -1 : static_cast<int>(index);
    }
    default:
        return -1;
    }
}

} // namespace

void RoleTable::place(NodeGraphics* graphics) {
    if (graphics == nullptr) {
        return;
    }
    const int index = slotOf(*graphics);
    if (index < 0 || index >= kSize) {
        return;
    }
    slots_[static_cast<size_t>(index)] = graphics;
}

NodeGraphics* RoleTable::slot(int index) const {
    if (index < 0 || index >= kSize) {
        return nullptr;
    }
    return slots_[static_cast<size_t>(index)];
}

} // namespace render
