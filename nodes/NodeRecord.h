#pragma once

#include "nodes/Trail.h"
#include "platform/Calendar.h"
#include "platform/Mutex.h"
#include "platform/TimeStamp.h"

#include <cstddef>
#include <cstdint>

namespace nodes {

// Everything known about one tracked node: name, last position, the time of
// its last accepted report, its idle status and the two comments of that
// report.
//
// Owned by the NodeTable. Written by the packet parser and the state-record
// reader, read by the state-file writer and the node drawing. Each record has
// its own lock: updatePosition, setState and setComments take it; a reader
// that needs a consistent picture of several fields holds it (lock/unlock)
// while it reads. The lock is not re-entrant.
class NodeRecord {
public:
    static constexpr size_t kTextSize = 128; // texts hold at most 127 characters
    // Senders and displays may be up to 14 hours apart in their zones, and
    // report times are read as local time: a day covers that.
    static constexpr int64_t kFutureReportLimitMs = 24 * 60 * 60 * 1000;

    enum IdleStatus : int32_t { kFresh = 0, kMediumIdle = 1, kBadIdle = 2 };

    NodeRecord(const char* recordName, int32_t recordId);
    virtual ~NodeRecord() = default;

    NodeRecord(const NodeRecord&) = delete;
    NodeRecord& operator=(const NodeRecord&) = delete;

    void lock() { lock_.lock(); }
    void unlock() { lock_.unlock(); }

    // Computes the idle status from the time since receiptTime, stores it and
    // returns it. Takes no lock: call it with the lock held or on the thread
    // that applies the updates.
    int32_t computeIdleStatus();
    // The idle status the record has at `now`, by the same rule, without storing it. Takes no
    // lock.
    int32_t idleStatusAt(const platform::TimeStamp& now) const;
    // Seconds since receiptTime (whole seconds plus a thousandth of the
    // millisecond difference). Takes no lock.
    double secondsSinceReport() const;

    // The idle status and age a snapshot carries. A relay (a display fed by
    // state files) passes on the stored ones it was told; a live display works
    // them out now. Takes no lock: call it with the lock held.
    struct SnapshotIdle {
        int32_t status;
        double age;
    };
    SnapshotIdle snapshotIdle(bool relay);

    // Applies one live position report; false (and nothing changed) when the
    // report is older than the last accepted one. Equal time stamps are
    // accepted. A last report dated more than kFutureReportLimitMs ahead of
    // the local clock refuses nothing. An accepted report goes on the trail
    // while trailSpanMs is above 0. Takes the lock.
    bool updatePosition(double lat, double lon, const platform::Calendar& calendar,
                        const platform::TimeStamp& report, const char* timeText);
    // Applies one state record: position, status, age, comments, name, and
    // the record's report time (so a relay of a relay writes the original
    // time and an older live report is still refused). While trailSpanMs is
    // above 0 the position goes on the trail when its time is new; a record
    // that never reported (time 0) has no trail. Takes the lock.
    void setState(double lat, double lon, int32_t seconds, int32_t milliseconds, int32_t status,
                  double age, const char* newComment1, const char* newComment2,
                  const char* newName);
    // Replaces each given comment that differs from the stored one; a null
    // comment is left alone. Takes the lock.
    void setComments(const char* newComment1, const char* newComment2);

    // Copies text into a text field, cut to kTextSize - 1 characters and
    // always terminated. A null text gives an empty field.
    static void copyText(char (&field)[kTextSize], const char* text);

    char name[kTextSize] = {};
    int32_t id = 0;
    uint32_t index = 0;
    double latitude = 0.0;
    double longitude = 0.0;
    int32_t idleStatus = kFresh;
    double reportedAge = 0.0;
    platform::TimeStamp lastReportTime;
    platform::TimeStamp receiptTime;
    int32_t mediumIdleMs = 0;
    int32_t badIdleMs = 0;
    platform::TimeStamp reportTime;
    platform::Calendar reportCalendar;
    char reportTimeText[kTextSize] = {};
    char comment1[kTextSize] = {};
    char comment2[kTextSize] = {};
    // The node's own icon: an index into the node graphics list, -1 for none.
    int32_t perNodeIcon = -1;
    bool everFresh = false;
    // Where the node has been, over the last trailSpanMs milliseconds of its
    // report times; nothing is kept while the span is 0. The table sets the
    // span.
    Trail trail;
    int64_t trailSpanMs = 0;

private:
    void replaceCommentsLocked(const char* newComment1, const char* newComment2);

    platform::Mutex lock_;
};

} // namespace nodes
