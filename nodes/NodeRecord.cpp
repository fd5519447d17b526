#include "nodes/NodeRecord.h"

#include "platform/Clock.h"

#include <cstring>
#include <mutex>

namespace nodes {

NodeRecord::NodeRecord(const char* recordName, int32_t recordId) : id(recordId) {
    copyText(name, recordName);
}

void NodeRecord::copyText(char (&field)[kTextSize], const char* text) {
    if (text == nullptr) {
        field[0] = '\0';
        return;
    }
    const size_t length = strnlen(text, kTextSize - 1);
    std::memmove(field, text, length); // the text may be the field itself
    field[length] = '\0';
}

int32_t NodeRecord::computeIdleStatus() {
    const int32_t status = idleStatusAt(platform::Clock::now());
    idleStatus = status;
    if (status == kFresh) {
        everFresh = true;
    }
    return status;
}

int32_t NodeRecord::idleStatusAt(const platform::TimeStamp& now) const {
    const int64_t seconds = static_cast<int64_t>(now.time) - receiptTime.time;
    // Whole seconds first: a receipt time of 0 (never reported) lies decades
    // back, and multiplying that by 1000 would overflow 32-bit milliseconds.
    // Dividing by 999 rather than 1000 keeps a difference that could still be
    // under the limit once the milliseconds are counted on the exact path.
    int32_t status = kBadIdle;
    if (seconds <= badIdleMs / 999) {
        const int64_t ms = seconds * 1000 - receiptTime.millitm + now.millitm;
        if (ms >= badIdleMs) {
            status = kBadIdle;
        } else if (ms < mediumIdleMs) {
            status = kFresh;
        } else {
            status = kMediumIdle;
        }
    }
    return status;
}

double NodeRecord::secondsSinceReport() const {
    const platform::TimeStamp now = platform::Clock::now();
    const int64_t seconds = static_cast<int64_t>(now.time) - receiptTime.time;
    const int milliseconds = static_cast<int>(now.millitm) - static_cast<int>(receiptTime.millitm);
    return static_cast<double>(seconds) + 0.001 * milliseconds;
}

NodeRecord::SnapshotIdle NodeRecord::snapshotIdle(bool relay) {
    if (relay) {
        return {idleStatus, reportedAge};
    }
    const int32_t status = computeIdleStatus();
    return {status, secondsSinceReport()};
}

bool NodeRecord::updatePosition(double lat, double lon, const platform::Calendar& calendar,
                                const platform::TimeStamp& report, const char* timeText) {
    std::lock_guard<platform::Mutex> guard(lock_);
    const platform::TimeStamp now = platform::Clock::now();
    // A stored report dated more than a day ahead of this clock came from a
    // sender (or one datagram) with a wrong date; honouring its order would
    // refuse every genuine report until the program restarts. Within a day,
    // which covers senders in other zones, the usual order holds.
    const bool storedInFuture =
        lastReportTime.milliseconds() - now.milliseconds() > kFutureReportLimitMs;
    if (!storedInFuture && report.milliseconds() < lastReportTime.milliseconds()) {
        return false;
    }
    lastReportTime = report;
    receiptTime = now;
    latitude = lat;
    longitude = lon;
    reportTime = report;
    reportCalendar = calendar;
    copyText(reportTimeText, timeText);
    if (trailSpanMs > 0) {
        trail.add(report.milliseconds(), lat, lon, trailSpanMs);
    }
    return true;
}

void NodeRecord::setState(double lat, double lon, int32_t seconds, int32_t milliseconds,
                          int32_t status, double age, const char* newComment1,
                          const char* newComment2, const char* newName) {
    std::lock_guard<platform::Mutex> guard(lock_);
    latitude = lat;
    longitude = lon;
    idleStatus = status;
    reportedAge = age;
    replaceCommentsLocked(newComment1, newComment2);
    copyText(name, newName);
    if (status != kBadIdle) {
        everFresh = true;
    }
    reportTime.time = seconds;
    reportTime.millitm =
        static_cast<uint16_t>(milliseconds < 0 ? 0 : (milliseconds > 999 ? 999 : milliseconds));
    lastReportTime.time = reportTime.time;
    lastReportTime.millitm = reportTime.millitm;
    if (trailSpanMs <= 0) {
        return;
    }
    if (seconds <= 0) {
        trail.clear();
        return;
    }
    trail.add(reportTime.milliseconds(), lat, lon, trailSpanMs);
}

void NodeRecord::setComments(const char* newComment1, const char* newComment2) {
    std::lock_guard<platform::Mutex> guard(lock_);
    replaceCommentsLocked(newComment1, newComment2);
}

void NodeRecord::replaceCommentsLocked(const char* newComment1, const char* newComment2) {
    if (newComment1 != nullptr && std::strncmp(comment1, newComment1, kTextSize) != 0) {
        copyText(comment1, newComment1);
    }
    if (newComment2 != nullptr && std::strncmp(comment2, newComment2, kTextSize) != 0) {
        copyText(comment2, newComment2);
    }
}

} // namespace nodes
