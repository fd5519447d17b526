#include "inputs/PacketParser.h"

#include "nodes/NodeTable.h"
#include "tests/support/ManualClockTest.h"
#include "tests/support/TempDir.h"
#include "tests/support/ZoneGuard.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

namespace {

using inputs::PacketParser;
using inputs::PositionReport;

const std::string kZda = "$GPZDA,123456.78,15,06,2004,00,00*4B";
const std::string kGll = "$GPGLL,4916.4500,N,12311.1200,W,123456.78,A,A*2C";
const std::string kPacket = "12,Convoy A,Leg 2," + kZda + kGll;

// Runs every test in UTC so report times are exact.
class UtcTest : public ::testing::Test {
protected:
    static bool parse(const std::string& text, PositionReport& report, std::string& buffer) {
        buffer = text;
        return PacketParser::parse(buffer.data(), report);
    }

private:
    testsupport::ZoneGuard zone_{"UTC"};
};

using PacketParserTest = UtcTest;

constexpr double kLat = 49.0 + 16.45 / 60.0;
constexpr double kLon = -(123.0 + 11.12 / 60.0);
constexpr const char* kTime = "2004/06/15,12:34:56.780";

TEST_F(PacketParserTest, TheReferenceDatagram) {
    PositionReport r;
    std::string buffer;
    ASSERT_TRUE(parse(kPacket, r, buffer));
    EXPECT_NEAR(r.latitude, 49.274166, 1e-6);
    EXPECT_NEAR(r.longitude, -123.185333, 1e-6);
    EXPECT_EQ(r.reportTime.time, 1087302896);
    // wday and yday are filled by the calendar conversion.
    const platform::Calendar& c = r.calendar;
    EXPECT_EQ(
        std::vector<int>({c.sec, c.min, c.hour, c.mday, c.mon, c.year, c.wday, c.yday, c.isdst}),
        std::vector<int>({56, 34, 12, 15, 5, 104, 2, 166, 0}));
}

struct GoodCase {
    const char* name;
    std::string packet;
    int32_t id = 1;
    const char* comment1 = "a";
    const char* comment2 = "b";
    const char* timeText = kTime;
    int milliseconds = 780;
    double latitude = kLat;
    double longitude = kLon;
};

TEST_F(PacketParserTest, AcceptedDatagrams) {
    const std::string zda = "$GPZDA,123456";
    const std::string gll = "$GPGLL,4916.4500,N,12311.1200,W,123456.78,";
    const std::string at = "1,a,b," + kZda + "$GPGLL,";
    const GoodCase cases[] = {
        {"reference", kPacket, 12, "Convoy A", "Leg 2"},
        {"wrong checksums", "1,a,b,$GPZDA,123456.78,15,06,2004,00,00*00" + gll + "A,A*FF"},
        {"text before and between the sentences", "1,a,b,junk " + kZda + "\r\nxx" + kGll + "\r\n"},
        {"comma in a comment shifts the fields", "12,Convoy, A,Leg 2," + kZda + kGll, 12, "Convoy",
         " A"},
        {"empty comments", "7,,," + kZda + kGll, 7, "", ""},
        {"lower-case hemispheres", at + "4916.4500,n,12311.1200,e,123456.78,a,a*2C", 1, "a", "b",
         kTime, 780, kLat, -kLon},
        {"south", at + "4916.4500,S,12311.1200,W,123456.78,A,A*2C", 1, "a", "b", kTime, 780, -kLat},
        {"status V is used", "1,a,b," + kZda + gll + "V,N*2C"},
        {"mode D and extra fields", "1,a,b," + kZda + gll + "A,D,X*2C"},
        {"two-digit fraction .99", "1,a,b," + zda + ".99,15,06,2004,00,00*4B" + kGll, 1, "a", "b",
         "2004/06/15,12:34:56.990", 990},
        {"three-digit fraction", "1,a,b," + zda + ".789,15,06,2004,00,00*4B" + kGll, 1, "a", "b",
         "2004/06/15,12:34:56.789", 789},
        {"fraction beyond milliseconds is cut", "1,a,b," + zda + ".0999,15,06,2004,00,00*4B" + kGll,
         1, "a", "b", "2004/06/15,12:34:56.100", 99},
        {"whole seconds", "1,a,b," + zda + ",15,06,2004,00,00*4B" + kGll, 1, "a", "b",
         "2004/06/15,12:34:56.000", 0},
        {"zone values are not used", "1,a,b," + zda + ".78,15,06,2004,-07,30*4B" + kGll},
        {"no number in front gives id 0", "abc,a,b," + kZda + kGll, 0},
        {"equator and meridian", at + "0000.0000,N,00000.0000,E,123456.78,A,A*2C", 1, "a", "b",
         kTime, 780, 0.0, 0.0},
        {"pole and antimeridian", at + "9000.0000,S,18000.0000,E,123456.78,A,A*2C", 1, "a", "b",
         kTime, 780, -90.0, 180.0},
        {"day 10 followed by a letter", "1,a,b," + zda + ".78,10x,06,2004,00,00*4B" + kGll, 1, "a",
         "b", "2004/06/10,12:34:56.780"},
        {"latitude ending in 0 followed by a letter",
         at + "4916.4500x,N,12311.1200,W,123456.78,A,A*2C"},
    };
    for (const GoodCase& c : cases) {
        SCOPED_TRACE(c.name);
        PositionReport report;
        std::string buffer;
        ASSERT_TRUE(parse(c.packet, report, buffer));
        EXPECT_EQ(report.id, c.id);
        EXPECT_STREQ(report.comment1, c.comment1);
        EXPECT_STREQ(report.comment2, c.comment2);
        EXPECT_NEAR(report.latitude, c.latitude, 1e-12);
        EXPECT_NEAR(report.longitude, c.longitude, 1e-12);
        EXPECT_STREQ(report.timeText, c.timeText);
        EXPECT_EQ(report.reportTime.millitm, c.milliseconds);
    }
}

TEST_F(PacketParserTest, RefusedDatagrams) {
    const std::string gll = "$GPGLL,";
    const std::vector<std::pair<const char*, std::string>> cases = {
        {"sentences swapped", "12,a,b," + kGll + kZda},
        {"six-field GLL", "12,a,b," + kZda + "$GPGLL,4916.4500,N,12311.1200,W,123456.78,A*2C"},
        {"empty zone field", "12,a,b,$GPZDA,123456.78,15,06,2004,00,*4B" + kGll},
        {"empty day field", "12,a,b,$GPZDA,123456.78,,06,2004,00,00*4B" + kGll},
        {"no second star", "12,a,b," + kZda + "$GPGLL,4916.4500,N,12311.1200,W,123456.78,A,A"},
        {"first sentence without star", "12,a,b,$GPZDA,123456.78,15,06,2004,00,00" + kGll},
        {"two stars in the first sentence", "12,a,b," + kZda + "*1" + kGll},
        {"no second sentence", "12,a,b," + kZda},
        {"no sentence at all", "12,a,b,nothing here"},
        {"one comma", "12,Convoy A"},
        {"two commas", "12,Convoy A,Leg 2"},
        {"no comma", "12"},
        {"empty", ""},
        {"wrong type", "12,a,b,$GPZDX,123456.78,15,06,2004,00,00*4B" + kGll},
        {"type with a blank", "12,a,b,$GP ZDA,123456.78,15,06,2004,00,00*4B" + kGll},
        {"GLL as first and second", "12,a,b," + kGll + kGll},
        {"letters for latitude",
         "1,a,b," + kZda + "$GPGLL,ab16.4500,N,12311.1200,W,123456.78,A,A*2C"},
        {"inf latitude", "1,a,b," + kZda + "$GPGLL,inf,N,12311.1200,W,123456.78,A,A*2C"},
        {"nan longitude", "1,a,b," + kZda + "$GPGLL,4916.45,N,nan,W,123456.78,A,A*2C"},
        {"hexadecimal latitude", "1,a,b," + kZda + "$GPGLL,0x1F,N,12311.1200,W,123456.78,A,A*2C"},
        {"hexadecimal day", "1,a,b,$GPZDA,123456.78,0x0F,06,2004,00,00*4B" + kGll},
        {"signed hexadecimal year", "1,a,b,$GPZDA,123456.78,15,06,+0X7D4,00,00*4B" + kGll},
        {"latitude beyond the pole",
         "1,a,b," + kZda + "$GPGLL,9000.0001,N,12311.1200,W,123456.78,A,A*2C"},
        {"longitude beyond 180",
         "1,a,b," + kZda + "$GPGLL,4916.45,N,18000.0001,W,123456.78,A,A*2C"},
        {"latitude of 1e200", "1,a,b," + kZda + "$GPGLL,1e200,N,12311.1200,W,123456.78,A,A*2C"},
        {"overflowing latitude", "1,a,b," + kZda + "$GPGLL,1e400,N,12311.1200,W,123456.78,A,A*2C"},
        {"bad hemisphere", "1,a,b," + kZda + "$GPGLL,4916.4500,X,12311.1200,W,123456.78,A,A*2C"},
        {"bad east-west", "1,a,b," + kZda + "$GPGLL,4916.4500,N,12311.1200,Q,123456.78,A,A*2C"},
        {"bad status", "1,a,b," + kZda + "$GPGLL,4916.4500,N,12311.1200,W,123456.78,X,A*2C"},
        {"bad mode", "1,a,b," + kZda + "$GPGLL,4916.4500,N,12311.1200,W,123456.78,A,E*2C"},
        {"short GLL time", "1,a,b," + kZda + "$GPGLL,4916.4500,N,12311.1200,W,123,A,A*2C"},
        {"GLL time without seconds",
         "1,a,b," + kZda + "$GPGLL,4916.4500,N,12311.1200,W,1234,A,A*2C"},
        {"ZDA time with letters", "1,a,b,$GPZDA,12ab56.78,15,06,2004,00,00*4B" + kGll},
        {"ZDA time inf seconds", "1,a,b,$GPZDA,1234inf,15,06,2004,00,00*4B" + kGll},
        {"ZDA huge seconds", "1,a,b,$GPZDA,12341e300,15,06,2004,00,00*4B" + kGll},
        {"year beyond the time stamp", "1,a,b,$GPZDA,123456.78,15,06,99999,00,00*4B" + kGll},
        {"month number that overflows",
         "1,a,b,$GPZDA,123456.78,15,-2147483648,2004,00,00*4B" + kGll},
    };
    for (const auto& [name, packet] : cases) {
        SCOPED_TRACE(name);
        PositionReport report;
        std::string buffer;
        EXPECT_FALSE(parse(packet, report, buffer));
    }
}

class PositionReportTest : public testsupport::ManualClockTest {
protected:
    void SetUp() override {
        testsupport::ManualClockTest::SetUp();
        const std::string path = dir.write("nodes.txt", "12 Truck\n13 Van\n");
        ASSERT_TRUE(table.loadNodeFile(path.c_str()));
    }
    bool deliver(const std::string& packet) {
        std::string buffer = packet;
        PositionReport report;
        return PacketParser::parse(buffer.data(), report) && report.applyTo(table);
    }

    testsupport::ZoneGuard zone{"UTC"};
    testsupport::TempDir dir;
    nodes::NodeTable table{250, 20};
};

TEST_F(PositionReportTest, AppliesToTheRecord) {
    ASSERT_TRUE(deliver(kPacket));
    const nodes::NodeRecord* r = table.findById(12);
    EXPECT_NEAR(r->latitude, 49.274166, 1e-6);
    EXPECT_STREQ(r->comment1, "Convoy A");
    EXPECT_STREQ(r->comment2, "Leg 2");
    EXPECT_STREQ(r->reportTimeText, "2004/06/15,12:34:56.780");
    EXPECT_EQ(r->reportTime.millitm, 780);
    EXPECT_EQ(r->receiptTime.time, clock.timeStamp().time);
    // The same datagram again is accepted (equal time), comments unchanged.
    EXPECT_TRUE(deliver(kPacket));
    EXPECT_STREQ(r->comment1, "Convoy A");
}

TEST_F(PositionReportTest, OlderReportChangesNothing) {
    ASSERT_TRUE(deliver(kPacket));
    const std::string older = "12,Other,Text,$GPZDA,123456.77,15,06,2004,00,00*4B"
                              "$GPGLL,1000.0000,S,01000.0000,E,123456.77,A,A*2C";
    EXPECT_FALSE(deliver(older));
    const nodes::NodeRecord* r = table.findById(12);
    EXPECT_NEAR(r->latitude, 49.274166, 1e-6);
    EXPECT_STREQ(r->comment1, "Convoy A");
    EXPECT_STREQ(r->comment2, "Leg 2");
}

TEST_F(PositionReportTest, UnknownIdentifiersAddNothing) {
    EXPECT_FALSE(deliver("99," + kPacket.substr(3)));
    EXPECT_FALSE(deliver("-12," + kPacket.substr(3)));
    EXPECT_EQ(table.findById(99), nullptr);
    EXPECT_EQ(table.lateNodeCount(), 0u);
    EXPECT_EQ(table.fileNodeCount(), 2u);
}

} // namespace
