#include "nodes/NodeRecord.h"

#include "tests/support/ManualClockTest.h"

#include <gtest/gtest.h>

#include <tuple>

namespace {

using nodes::NodeRecord;

class NodeRecordTest : public testsupport::ManualClockTest {
protected:
    bool report(NodeRecord& record, double lat, int64_t ms, const char* text = "text") {
        platform::Calendar calendar;
        calendar.year = 104;
        platform::TimeStamp t;
        t.time = static_cast<int32_t>(ms / 1000);
        t.millitm = static_cast<uint16_t>(ms % 1000);
        return record.updatePosition(lat, -115, calendar, t, text);
    }
};

// Receipt at .700 crosses whole seconds between the limits; at .999, five whole seconds to a
// limit of 4000 ms are bad at once (4000 / 999 = 4) while 4999 / 999 = 5 keeps them on the exact
// path. A record never reported is bad.
TEST_F(NodeRecordTest, IdleStatusBoundaries) {
    const std::tuple<uint16_t, int64_t, int32_t, int32_t> cases[] = {
        {700, 0, 4000, 0},    {700, 1999, 4000, 0}, {700, 2000, 4000, 1},   {700, 3999, 4000, 1},
        {700, 4000, 4000, 2}, {700, 4299, 4000, 2}, {700, 100000, 4000, 2}, {700, -500, 4000, 0},
        {999, 4001, 4000, 2}, {999, 3001, 4000, 1}, {999, 4001, 4999, 1}};
    for (const auto& [receiptMs, afterMs, badIdleMs, status] : cases) {
        SCOPED_TRACE(testing::Message() << receiptMs << " + " << afterMs << " of " << badIdleMs);
        NodeRecord record("n", 1);
        record.mediumIdleMs = 2000;
        record.badIdleMs = badIdleMs;
        EXPECT_EQ(record.computeIdleStatus(), NodeRecord::kBadIdle);
        clock.setTime(1700000000, receiptMs);
        ASSERT_TRUE(report(record, 1, 1000000));
        clock.advanceMs(afterMs);
        EXPECT_EQ(record.computeIdleStatus(), status);
        EXPECT_EQ(record.idleStatus, status);
        EXPECT_EQ(record.everFresh, status == 0);
        if (afterMs >= 0) {
            EXPECT_NEAR(record.secondsSinceReport(), afterMs / 1000.0, 1e-9);
        }
    }
}

// Older reports are refused and change nothing; equal or newer ones are taken. A stored report,
// live or relayed, dated more than a day ahead of the clock holds back nothing.
TEST_F(NodeRecordTest, ReportOrderingAndReportsDatedFarAhead) {
    NodeRecord record("n", 1);
    ASSERT_TRUE(report(record, 10, 5000500, "first"));
    clock.advanceMs(1000);
    EXPECT_FALSE(report(record, 11, 5000499) || report(record, 11, 4999999));
    EXPECT_EQ(std::tuple(record.latitude, std::string(record.reportTimeText)),
              std::tuple(10.0, std::string("first")));
    EXPECT_EQ(record.receiptTime.time, 1700000000);
    EXPECT_TRUE(report(record, 12, 5000500, "equal"));
    EXPECT_EQ(std::tuple(record.latitude, record.receiptTime.time), std::tuple(12.0, 1700000001));
    EXPECT_TRUE(report(record, 13, 5001000, "newer"));
    EXPECT_EQ(std::tuple(record.lastReportTime.time, record.reportTime.time,
                         record.reportTime.millitm, record.reportCalendar.year),
              std::tuple(5001, 5001, 0, 104));
    const int64_t day = NodeRecord::kFutureReportLimitMs;
    const std::tuple<bool, int64_t, bool> ahead[] = {
        // relayed, stored ahead by, clock's taken
        {false, 1000, false},   {false, 14 * 3600 * 1000LL, false}, {false, day, false},
        {false, day + 1, true}, {false, 315360000000LL, true},      {true, day, false},
        {true, 2 * day, true}};
    for (const auto& [relayed, aheadMs, accepted] : ahead) {
        SCOPED_TRACE(testing::Message() << relayed << " " << aheadMs);
        clock.setTime(1700000000, 500);
        NodeRecord stored("n", 1);
        const int64_t at = 1700000000500LL + aheadMs;
        if (relayed) {
            stored.setState(5, 5, int32_t(at / 1000), int32_t(at % 1000), 0, 0, "", "", "n");
        } else {
            ASSERT_TRUE(report(stored, 5, at));
        }
        EXPECT_EQ(report(stored, 6, 1700000000500LL), accepted);
        EXPECT_EQ(stored.latitude, accepted ? 6.0 : 5.0);
        EXPECT_FALSE(report(stored, 7, 1700000000499LL)); // then the usual order
    }
}

// Texts are cut to 127 characters; missing comments leave the old ones; a relayed state is
// stored whole with its report time (milliseconds clamped), keeps the receipt time and orders
// later live reports; everFresh is set by a status other than bad and never cleared.
TEST_F(NodeRecordTest, TextsCommentsAndRelayedState) {
    const std::string longText(200, 'n'), cut(127, 'n');
    NodeRecord record(longText.c_str(), 1);
    record.setComments(longText.c_str(), "b");
    EXPECT_TRUE(report(record, 1, 1000, longText.c_str()));
    EXPECT_EQ(std::string(record.name) + record.comment1 + record.reportTimeText, cut + cut + cut);
    EXPECT_STREQ(NodeRecord(nullptr, 2).name, "");
    record.setComments(nullptr, "Leg 3");
    record.setComments("Convoy B", nullptr);
    EXPECT_EQ(std::string(record.comment1) + "/" + record.comment2, "Convoy B/Leg 3");

    NodeRecord relayed("n", 1);
    relayed.setState(49.5, -123.25, 1086000000, 780, 2, 3.5, "c1", "c2", "Relayed");
    EXPECT_EQ(std::tuple(relayed.latitude, relayed.longitude, relayed.idleStatus,
                         relayed.reportedAge, relayed.reportTime.time, relayed.reportTime.millitm),
              std::tuple(49.5, -123.25, 2, 3.5, 1086000000, 780));
    EXPECT_EQ(std::string(relayed.comment1) + relayed.comment2 + relayed.name, "c1c2Relayed");
    EXPECT_EQ(std::tuple(relayed.everFresh, relayed.receiptTime.time), std::tuple(false, 0));
    EXPECT_FALSE(report(relayed, 1, 1086000000779LL));
    EXPECT_TRUE(report(relayed, 1, 1086000000780LL));
    relayed.setState(0, 0, 0, 0, 1, 0, nullptr, nullptr, "x");
    EXPECT_TRUE(relayed.everFresh);
    EXPECT_STREQ(relayed.comment1, "c1");
    relayed.setState(0, 0, 10, 5000, 2, 0, "", "", "");
    EXPECT_EQ(std::tuple(relayed.everFresh, relayed.reportTime.millitm), std::tuple(true, 999));
    relayed.setState(0, 0, 10, -4, 0, 0, "", "", "");
    EXPECT_EQ(relayed.reportTime.millitm, 0);
}

// Live reports and relayed state records build one trail; the table's span decides whether
// anything is kept. Steps: relayed, latitude, report time in ms, span, the trail newest first.
TEST_F(NodeRecordTest, TrailTakesAcceptedReportsAndNewRelayedTimes) {
    const std::tuple<bool, double, int64_t, int64_t, std::vector<double>> steps[] = {
        {false, 1, 1000000, 120000, {1}},
        {false, 2, 1001000, 120000, {2, 1}},
        {false, 9, 1000500, 120000, {2, 1}}, // older, refused
        {false, 3, 1001500, 120000, {2, 1}}, // within the spacing
        {true, 4, 1002000, 120000, {4, 2, 1}},
        {true, 4, 1002000, 120000, {4, 2, 1}}, // the same record polled again
        {true, 5, 0, 120000, {}},              // never reported upstream
        {true, 6, 1003000, 120000, {6}},
        {false, 7, 1010000, 0, {6}},
    }; // no span, nothing kept
    NodeRecord record("n", 1);
    for (const auto& [relayed, latitude, ms, spanMs, trail] : steps) {
        SCOPED_TRACE(latitude);
        record.trailSpanMs = spanMs;
        if (relayed) {
            record.setState(latitude, -115, int32_t(ms / 1000), int32_t(ms % 1000), 0, 0, "", "",
                            "n");
        } else {
            report(record, latitude, ms);
        }
        std::vector<double> latitudes;
        for (size_t i = 0; i < record.trail.size(); ++i) {
            latitudes.push_back(record.trail.fromNewest(i).latitude);
        }
        EXPECT_EQ(latitudes, trail);
    }
    EXPECT_EQ(record.latitude, 7.0); // the position moves on whatever the trail keeps
}

} // namespace
