#include "app/RateTable.h"

namespace app {
namespace {

// The number in a label is a count per second for "fps" and "pps" and a
// number of seconds per event for "spf" and "spp".
const RateTable::Row kFrameRows[] = {
    {"60 fps", 1.0 / 60.0}, {"30 fps", 1.0 / 30.0}, {"20 fps", 0.05}, {"15 fps", 1.0 / 15.0},
    {"10 fps", 0.1},        {"5 fps", 0.2},         {"1 fps", 1.0},   {"2 spf", 2.0},
    {"5 spf", 5.0},         {"10 spf", 10.0},       {"20 spf", 20.0}, {"30 spf", 30.0},
};

const RateTable::Row kFastRows[] = {
    {"5 pps", 0.2},
    {"2 pps", 0.5},
    {"1 pps", 1.0},
    {"2 spp", 2.0},
};

const RateTable::Row kSlowRows[] = {
    {"1 spp", 1.0},   {"2 spp", 2.0},   {"5 spp", 5.0},   {"10 spp", 10.0},
    {"20 spp", 20.0}, {"30 spp", 30.0}, {"45 spp", 45.0}, {"60 spp", 60.0},
};

} // namespace

const RateTable& RateTable::frames() {
    static const RateTable table(kFrameRows, sizeof kFrameRows / sizeof kFrameRows[0]);
    return table;
}

const RateTable& RateTable::fast() {
    static const RateTable table(kFastRows, sizeof kFastRows / sizeof kFastRows[0]);
    return table;
}

const RateTable& RateTable::slow() {
    static const RateTable table(kSlowRows, sizeof kSlowRows / sizeof kSlowRows[0]);
    return table;
}

double RateTable::seconds(int row) const {
    if (row < 0 || static_cast<size_t>(row) >= size_) {
        return 1.0;
    }
    return rows_[row].seconds;
}

} // namespace app
