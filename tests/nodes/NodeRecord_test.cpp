#include "nodes/NodeRecord.h"

#include "tests/support/ManualClockTest.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using nodes::NodeRecord;

class NodeRecordTest : public testsupport::ManualClockTest {
protected:
    platform::TimeStamp stamp(int32_t seconds, uint16_t ms) {
        platform::TimeStamp t;
        t.time = seconds;
        t.millitm = ms;
        return t;
    }
    bool report(NodeRecord& record, double lat, double lon, int32_t seconds, uint16_t ms,
                const char* text = "text") {
        platform::Calendar calendar;
        calendar.year = 104;
        return record.updatePosition(lat, lon, calendar, stamp(seconds, ms), text);
    }
};

TEST_F(NodeRecordTest, NewRecordIsEmptyAndBadIdle) {
    NodeRecord record("Truck 7", 7);
    EXPECT_STREQ(record.name, "Truck 7");
    EXPECT_EQ(record.id, 7);
    record.mediumIdleMs = 2000;
    record.badIdleMs = 4000;
    EXPECT_EQ(record.computeIdleStatus(), NodeRecord::kBadIdle);
    EXPECT_FALSE(record.everFresh);
}

TEST_F(NodeRecordTest, IdleStatusBoundaries) {
    struct Case {
        int64_t msAfterReceipt;
        int32_t status;
    };
    // Receipt at .700 so the boundaries cross whole seconds in the middle.
    const Case cases[] = {{0, 0},    {1999, 0}, {2000, 1}, {3999, 1},   {4000, 2},
                          {4001, 2}, {4299, 2}, {5000, 2}, {100000, 2}, {-500, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.msAfterReceipt);
        NodeRecord record("n", 1);
        record.mediumIdleMs = 2000;
        record.badIdleMs = 4000;
        clock.setTime(1700000000, 700);
        ASSERT_TRUE(report(record, 1, 2, 1000, 0));
        clock.advanceMs(c.msAfterReceipt);
        EXPECT_EQ(record.computeIdleStatus(), c.status);
        EXPECT_EQ(record.idleStatus, c.status);
        EXPECT_EQ(record.everFresh, c.status == 0);
    }
}

TEST_F(NodeRecordTest, WholeSecondShortcutDividesBy999) {
    NodeRecord record("n", 1);
    record.mediumIdleMs = 2000;
    record.badIdleMs = 4000;
    // Receipt late in a second, now early in a later one: five whole seconds
    // apart is bad at once (4000 / 999 = 4) ...
    clock.setTime(1700000000, 999);
    ASSERT_TRUE(report(record, 1, 2, 1, 0));
    clock.setTime(1700000005, 0);
    EXPECT_EQ(record.computeIdleStatus(), NodeRecord::kBadIdle);
    // ... while four whole seconds go on to the millisecond test: 3001 ms.
    clock.setTime(1700000004, 0);
    EXPECT_EQ(record.computeIdleStatus(), NodeRecord::kMediumIdle);

    // A limit of 4999 ms: 4000/999 would be 4, but 4999/999 = 5 keeps
    // five whole seconds (4001 ms) on the exact path.
    record.badIdleMs = 4999;
    clock.setTime(1700000005, 0);
    EXPECT_EQ(record.computeIdleStatus(), NodeRecord::kMediumIdle);
    // The age counts milliseconds: 4.001 s from the receipt at .999.
    EXPECT_NEAR(record.secondsSinceReport(), 4.001, 1e-9);
}

TEST_F(NodeRecordTest, ReportOrdering) {
    NodeRecord record("n", 1);
    clock.setTime(1700000000, 0);
    ASSERT_TRUE(report(record, 10, 20, 5000, 500, "first"));
    const platform::TimeStamp firstReceipt = record.receiptTime;

    clock.advanceMs(1000);
    EXPECT_FALSE(report(record, 11, 21, 5000, 499, "older ms"));
    EXPECT_FALSE(report(record, 11, 21, 4999, 999, "older s"));
    EXPECT_EQ(record.latitude, 10.0);
    EXPECT_EQ(record.longitude, 20.0);
    EXPECT_STREQ(record.reportTimeText, "first");
    EXPECT_EQ(record.receiptTime.time, firstReceipt.time);
    EXPECT_EQ(record.receiptTime.millitm, firstReceipt.millitm);

    EXPECT_TRUE(report(record, 12, 22, 5000, 500, "equal"));
    EXPECT_EQ(record.latitude, 12.0);
    EXPECT_EQ(record.receiptTime.time, firstReceipt.time + 1);
    EXPECT_TRUE(report(record, 13, 23, 5001, 0, "newer"));
    EXPECT_EQ(record.lastReportTime.time, 5001);
    EXPECT_EQ(record.reportTime.time, 5001);
    EXPECT_EQ(record.reportTime.millitm, 0);
    EXPECT_EQ(record.reportCalendar.year, 104);
    EXPECT_STREQ(record.reportTimeText, "newer");
}

// A stored report (live or relayed) dated more than a day ahead of the clock
// does not hold back later ones; within a day the usual order holds.
TEST_F(NodeRecordTest, ReportDatedFarAheadBlocksNothing) {
    struct Case {
        const char* name;
        bool relayed;
        int64_t aheadMs; // of the stored report, from the clock's 1700000000.500
        bool accepted;   // a report dated by the clock
    };
    const Case cases[] = {
        {"a second ahead", false, 1000, false},
        {"14 hours ahead", false, 14 * 3600 * 1000LL, false},
        {"exactly a day ahead", false, NodeRecord::kFutureReportLimitMs, false},
        {"a day and a millisecond", false, NodeRecord::kFutureReportLimitMs + 1, true},
        {"ten years ahead", false, 315360000000LL, true},
        {"relayed, a day ahead", true, NodeRecord::kFutureReportLimitMs, false},
        {"relayed, two days ahead", true, 2 * NodeRecord::kFutureReportLimitMs, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        clock.setTime(1700000000, 500);
        NodeRecord record("n", 1);
        const int64_t aheadMs = 1700000000500LL + c.aheadMs;
        const int32_t seconds = static_cast<int32_t>(aheadMs / 1000);
        const uint16_t ms = static_cast<uint16_t>(aheadMs % 1000);
        if (c.relayed) {
            record.setState(5, 5, seconds, ms, 0, 0, "", "", "n");
        } else {
            ASSERT_TRUE(report(record, 5, 5, seconds, ms));
        }
        EXPECT_EQ(report(record, 6, 6, 1700000000, 500), c.accepted);
        EXPECT_EQ(record.latitude, c.accepted ? 6.0 : 5.0);
        // The genuine report, once taken, orders what follows as usual.
        EXPECT_EQ(report(record, 7, 7, 1700000000, 499), false);
    }
}

TEST_F(NodeRecordTest, TextsAreCutTo127) {
    const std::string longText(200, 'n');
    NodeRecord record(longText.c_str(), 1);
    EXPECT_EQ(std::string(record.name), longText.substr(0, 127));
    record.setComments(longText.c_str(), "b");
    EXPECT_EQ(std::string(record.comment1), longText.substr(0, 127));
    EXPECT_TRUE(report(record, 1, 1, 1, 0, longText.c_str()));
    EXPECT_EQ(std::string(record.reportTimeText), longText.substr(0, 127));
    NodeRecord unnamed(nullptr, 2);
    EXPECT_STREQ(unnamed.name, "");
}

TEST_F(NodeRecordTest, SetCommentsLeavesMissingOnes) {
    NodeRecord record("n", 1);
    record.setComments("Convoy A", "Leg 2");
    record.setComments(nullptr, "Leg 3");
    EXPECT_STREQ(record.comment1, "Convoy A");
    EXPECT_STREQ(record.comment2, "Leg 3");
    record.setComments("Convoy B", nullptr);
    EXPECT_STREQ(record.comment1, "Convoy B");
    EXPECT_STREQ(record.comment2, "Leg 3");
    record.setComments("", "");
    EXPECT_STREQ(record.comment1, "");
}

TEST_F(NodeRecordTest, SetStateStoresEverythingAndTheReportTime) {
    NodeRecord record("n", 1);
    record.setState(49.5, -123.25, 1086000000, 780, 2, 3.5, "c1", "c2", "Relayed");
    EXPECT_EQ(record.latitude, 49.5);
    EXPECT_EQ(record.longitude, -123.25);
    EXPECT_EQ(record.idleStatus, 2);
    EXPECT_EQ(record.reportedAge, 3.5);
    EXPECT_STREQ(record.comment1, "c1");
    EXPECT_STREQ(record.comment2, "c2");
    EXPECT_STREQ(record.name, "Relayed");
    EXPECT_FALSE(record.everFresh); // status 2 leaves it as it was
    EXPECT_EQ(record.reportTime.time, 1086000000);
    EXPECT_EQ(record.reportTime.millitm, 780);
    EXPECT_EQ(record.receiptTime.time, 0); // untouched
    // An older live report is refused against the relayed time.
    EXPECT_FALSE(report(record, 1, 1, 1086000000, 779));
    EXPECT_TRUE(report(record, 1, 1, 1086000000, 780));

    record.setState(0, 0, 0, 0, 1, 0, nullptr, nullptr, "x");
    EXPECT_TRUE(record.everFresh);
    EXPECT_STREQ(record.comment1, "c1");
    record.setState(0, 0, 0, 0, 2, 0, nullptr, nullptr, "x");
    EXPECT_TRUE(record.everFresh);                     // never cleared
    record.setState(0, 0, 10, 5000, 0, 0, "", "", ""); // milliseconds clamped
    EXPECT_EQ(record.reportTime.millitm, 999);
    record.setState(0, 0, 10, -4, 0, 0, "", "", "");
    EXPECT_EQ(record.reportTime.millitm, 0);
}

// Live reports and relayed state records build one trail; the table's span
// decides whether anything is kept.
TEST_F(NodeRecordTest, TrailTakesAcceptedReportsAndNewRelayedTimes) {
    struct Step {
        const char* what;
        bool relayed;
        double latitude;
        int32_t seconds;
        uint16_t ms;
        int64_t spanMs;
        std::vector<double> trail; // latitudes, newest first
    };
    const Step steps[] = {
        {"first report", false, 1, 1000, 0, 120000, {1}},
        {"a second later", false, 2, 1001, 0, 120000, {2, 1}},
        {"older, refused", false, 9, 1000, 500, 120000, {2, 1}},
        {"accepted, but within the spacing", false, 3, 1001, 500, 120000, {2, 1}},
        {"relayed, newer", true, 4, 1002, 0, 120000, {4, 2, 1}},
        {"the same record polled again", true, 4, 1002, 0, 120000, {4, 2, 1}},
        {"relayed, never reported upstream", true, 5, 0, 0, 120000, {}},
        {"relayed again after that", true, 6, 1003, 0, 120000, {6}},
        {"no span: nothing kept", false, 7, 1010, 0, 0, {6}},
    };
    NodeRecord record("n", 1);
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        record.trailSpanMs = step.spanMs;
        if (step.relayed) {
            record.setState(step.latitude, -115, step.seconds, step.ms, 0, 0, "", "", "n");
        } else {
            report(record, step.latitude, -115, step.seconds, step.ms);
        }
        std::vector<double> latitudes;
        for (size_t i = 0; i < record.trail.size(); ++i) {
            latitudes.push_back(record.trail.fromNewest(i).latitude);
        }
        EXPECT_EQ(latitudes, step.trail);
    }
    EXPECT_EQ(record.latitude, 7.0); // the position moves on whatever the trail keeps
}

} // namespace
