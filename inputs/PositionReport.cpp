#include "inputs/PositionReport.h"

#include "nodes/NodeTable.h"

namespace inputs {

bool PositionReport::applyTo(nodes::NodeTable& table) const {
    nodes::NodeRecord* record = table.findById(id);
    if (record == nullptr) {
        return false;
    }
    if (!record->updatePosition(latitude, longitude, calendar, reportTime, timeText)) {
        return false;
    }
    record->setComments(comment1, comment2);
    return true;
}

} // namespace inputs
