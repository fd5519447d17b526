#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>

namespace nodes {

// Where one node has been: the time and position of its recent reports, in a ring of
// kCapacity points that is allocated once, at the first point kept, and then overwritten
// oldest first. Nothing is allocated per report.
//
// The ring holds a span of time, not a count of reports: a point is kept only when it comes at
// least spacingMs(span) after the newest one, so the ring covers the whole span whatever the
// report rate. At one report a second a span of up to 127 s keeps every report; faster
// reporters, or a longer span, keep one point per spacing and drop those in between.
//
// Owned by its NodeRecord and guarded by the record's lock: writers (the record's update
// operations) and readers (the trail drawing) hold it. Failure: none; an add that is not kept
// says so by its result.
class Trail {
public:
    static constexpr size_t kCapacity = 128;

    struct Point {
        int64_t timeMs = 0; // report time, milliseconds since 1970
        double latitude = 0.0;
        double longitude = 0.0;
    };

    Trail() = default;
    Trail(const Trail&) = delete;
    Trail& operator=(const Trail&) = delete;

    // Keeps the point when it is at least spacingMs(spanMs) newer than the newest point; true
    // when kept. A point older than the newest one means the node's clock went back (a sender
    // whose wrong date was forgotten, a relay that restarted): the trail starts again from it.
    bool add(int64_t timeMs, double latitude, double longitude, int64_t spanMs);
    void clear() { count_ = 0; }

    size_t size() const { return count_; }
    // Point i counted from the newest (0) to the oldest (size() - 1).
    const Point& fromNewest(size_t i) const;
    // Bytes the ring takes once allocated.
    static constexpr size_t ringBytes() { return sizeof(Ring); }

    // The least time between two kept points: kCapacity points then reach back a whole span.
    static int64_t spacingMs(int64_t spanMs);

private:
    using Ring = std::array<Point, kCapacity>;

    std::unique_ptr<Ring> ring_;
    size_t newest_ = 0;
    size_t count_ = 0;
};

} // namespace nodes
