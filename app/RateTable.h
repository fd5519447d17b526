#pragma once

#include <cstddef>

namespace app {

// A fixed list of labelled periods, shown as the items of a rate choice. The
// selected row gives the period of an activity slot.
class RateTable {
public:
    struct Row {
        const char* label;
        double seconds;
    };

    static const RateTable& frames(); // "60 fps" .. "30 spf"
    static const RateTable& fast();   // "5 pps" .. "2 spp"
    static const RateTable& slow();   // "1 spp" .. "60 spp"

    // The row's period; 1.0 s for any row outside the table, which includes
    // a choice with nothing selected (-1).
    double seconds(int row) const;
    size_t size() const { return size_; }
    const char* label(size_t row) const { return rows_[row].label; }

private:
    RateTable(const Row* rows, size_t size) : rows_(rows), size_(size) {}

    const Row* rows_;
    size_t size_;
};

} // namespace app
