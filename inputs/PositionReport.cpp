#include "inputs/PositionReport.h"

#include "nodes/NodeTable.h"

#include <cmath>

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

bool PositionReport::onEarth(double latitude, double longitude) {
    // Written so that NaN fails too.
    return std::fabs(latitude) <= 90.0 && std::fabs(longitude) <= 180.0;
}

} // namespace inputs
