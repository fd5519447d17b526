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

TEST_F(PacketParserTest, TheReferenceDatagram) {
    PositionReport report;
    std::string buffer;
    ASSERT_TRUE(parse(kPacket, report, buffer));
    EXPECT_EQ(report.id, 12);
    EXPECT_STREQ(report.comment1, "Convoy A");
    EXPECT_STREQ(report.comment2, "Leg 2");
    EXPECT_NEAR(report.latitude, 49.0 + 16.45 / 60.0, 1e-12);
    EXPECT_NEAR(report.longitude, -(123.0 + 11.12 / 60.0), 1e-12);
    EXPECT_NEAR(report.latitude, 49.274166, 1e-6);
    EXPECT_NEAR(report.longitude, -123.185333, 1e-6);
    EXPECT_STREQ(report.timeText, "2004/06/15,12:34:56.780");
    EXPECT_EQ(report.reportTime.time, 1087302896);
    EXPECT_EQ(report.reportTime.millitm, 780);
    EXPECT_EQ(report.calendar.sec, 56);
    EXPECT_EQ(report.calendar.min, 34);
    EXPECT_EQ(report.calendar.hour, 12);
    EXPECT_EQ(report.calendar.mday, 15);
    EXPECT_EQ(report.calendar.mon, 5);
    EXPECT_EQ(report.calendar.year, 104);
    EXPECT_EQ(report.calendar.wday, 2); // filled by the calendar conversion
    EXPECT_EQ(report.calendar.yday, 166);
    EXPECT_EQ(report.calendar.isdst, 0);
}

struct GoodCase {
    const char* name;
    std::string packet;
    int32_t id;
    const char* comment1;
    const char* comment2;
    double latitude;
    double longitude;
    const char* timeText;
    int milliseconds;
};

TEST_F(PacketParserTest, AcceptedDatagrams) {
    const double lat = 49.0 + 16.45 / 60.0;
    const double lon = -(123.0 + 11.12 / 60.0);
    const char* text = "2004/06/15,12:34:56.780";
    const std::vector<GoodCase> cases = {
        {"wrong checksums",
         "12,Convoy A,Leg 2,$GPZDA,123456.78,15,06,2004,00,00*00"
         "$GPGLL,4916.4500,N,12311.1200,W,123456.78,A,A*FF",
         12, "Convoy A", "Leg 2", lat, lon, text, 780},
        {"text before and between the sentences", "12,a,b,junk " + kZda + "\r\nxx" + kGll + "\r\n",
         12, "a", "b", lat, lon, text, 780},
        {"comma in a comment shifts the fields", "12,Convoy, A,Leg 2," + kZda + kGll, 12, "Convoy",
         " A", lat, lon, text, 780},
        {"empty comments", "7,,," + kZda + kGll, 7, "", "", lat, lon, text, 780},
        {"lower-case hemispheres",
         "1,a,b," + kZda + "$GPGLL,4916.4500,n,12311.1200,e,123456.78,a,a*2C", 1, "a", "b", lat,
         -lon, text, 780},
        {"south", "1,a,b," + kZda + "$GPGLL,4916.4500,S,12311.1200,W,123456.78,A,A*2C", 1, "a", "b",
         -lat, lon, text, 780},
        {"status V is used", "1,a,b," + kZda + "$GPGLL,4916.4500,N,12311.1200,W,123456.78,V,N*2C",
         1, "a", "b", lat, lon, text, 780},
        {"mode D and extra fields",
         "1,a,b," + kZda + "$GPGLL,4916.4500,N,12311.1200,W,123456.78,A,D,X*2C", 1, "a", "b", lat,
         lon, text, 780},
        {"two-digit fraction .99", "1,a,b,$GPZDA,123456.99,15,06,2004,00,00*4B" + kGll, 1, "a", "b",
         lat, lon, "2004/06/15,12:34:56.990", 990},
        {"three-digit fraction", "1,a,b,$GPZDA,123456.789,15,06,2004,00,00*4B" + kGll, 1, "a", "b",
         lat, lon, "2004/06/15,12:34:56.789", 789},
        {"fraction beyond milliseconds is cut",
         "1,a,b,$GPZDA,123456.0999,15,06,2004,00,00*4B" + kGll, 1, "a", "b", lat, lon,
         "2004/06/15,12:34:56.100", 99},
        {"whole seconds", "1,a,b,$GPZDA,123456,15,06,2004,00,00*4B" + kGll, 1, "a", "b", lat, lon,
         "2004/06/15,12:34:56.000", 0},
        {"zone values are not used", "1,a,b,$GPZDA,123456.78,15,06,2004,-07,30*4B" + kGll, 1, "a",
         "b", lat, lon, text, 780},
        {"no number in front gives id 0", "abc,a,b," + kZda + kGll, 0, "a", "b", lat, lon, text,
         780},
        {"equator and meridian",
         "3,a,b," + kZda + "$GPGLL,0000.0000,N,00000.0000,E,123456.78,A,A*2C", 3, "a", "b", 0.0,
         0.0, text, 780},
        {"pole and antimeridian",
         "3,a,b," + kZda + "$GPGLL,9000.0000,S,18000.0000,E,123456.78,A,A*2C", 3, "a", "b", -90.0,
         180.0, text, 780},
        {"day 10 followed by a letter", "1,a,b,$GPZDA,123456.78,10x,06,2004,00,00*4B" + kGll, 1,
         "a", "b", lat, lon, "2004/06/10,12:34:56.780", 780},
        {"latitude ending in 0 followed by a letter",
         "1,a,b," + kZda + "$GPGLL,4916.4500x,N,12311.1200,W,123456.78,A,A*2C", 1, "a", "b", lat,
         lon, text, 780},
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
