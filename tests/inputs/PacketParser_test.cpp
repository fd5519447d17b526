#include "inputs/PacketParser.h"
#include "nodes/NodeTable.h"

#include "tests/support/ManualClockTest.h"
#include "tests/support/TempDir.h"
#include "tests/support/ZoneGuard.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <tuple>
#include <vector>

namespace {

using inputs::PacketParser;
using inputs::PositionReport;

const std::string kZda = "$GPZDA,123456.78,15,06,2004,00,00*4B";
const std::string kGll = "$GPGLL,4916.4500,N,12311.1200,W,123456.78,A,A*2C";
const std::string kPacket = "12,Convoy A,Leg 2," + kZda + kGll;
constexpr double kLat = 49.0 + 16.45 / 60.0, kLon = -(123.0 + 11.12 / 60.0);
constexpr const char* kTime = "2004/06/15,12:34:56.780";

// A datagram with these GLL fields, or these ZDA fields.
std::string gll(const std::string& fields) {
    return "1,a,b," + kZda + "$GPGLL," + fields + "*2C";
}
std::string zda(const std::string& fields) {
    return "1,a,b,$GPZDA," + fields + "*4B" + kGll;
}

class PacketParserTest : public testsupport::ManualClockTest {
protected:
    // The report points into `buffer`.
    bool parse(const std::string& text) {
        buffer = text;
        report = PositionReport();
        return PacketParser::parse(buffer.data(), report);
    }
    bool deliver(const std::string& text) { return parse(text) && report.applyTo(table); }

    testsupport::ZoneGuard zone{"UTC"};
    testsupport::TempDir dir;
    std::string buffer;
    PositionReport report;
    nodes::NodeTable table{250, 20};
};

TEST_F(PacketParserTest, AcceptedDatagrams) {
    ASSERT_TRUE(parse(kPacket));
    const platform::Calendar& t = report.calendar;
    EXPECT_EQ(
        std::vector<int>({t.sec, t.min, t.hour, t.mday, t.mon, t.year, t.wday, t.yday, t.isdst}),
        std::vector<int>({56, 34, 12, 15, 5, 104, 2, 166, 0}));
    EXPECT_EQ(report.reportTime.time, 1087302896);
    const struct {
        std::string packet;
        int32_t id = 1;
        const char *comment1 = "a", *comment2 = "b", *time = kTime;
        int milliseconds = 780;
        double latitude = kLat, longitude = kLon;
    } cases[] = {
        {kPacket, 12, "Convoy A", "Leg 2"},
        {"1,a,b,$GPZDA,123456.78,15,06,2004,00,00*00" + kGll.substr(0, 46) + "FF"}, // checksums
        {"1,a,b,junk " + kZda + "\r\nxx" + kGll + "\r\n"},
        {"12,Convoy, A,Leg 2," + kZda + kGll, 12, "Convoy", " A"}, // a comma shifts the fields
        {"7,,," + kZda + kGll, 7, "", ""},
        {gll("4916.4500,n,12311.1200,e,123456.78,a,a"), 1, "a", "b", kTime, 780, kLat, -kLon},
        {gll("4916.4500,S,12311.1200,W,123456.78,A,A"), 1, "a", "b", kTime, 780, -kLat},
        {gll("4916.4500,N,12311.1200,W,123456.78,V,N")},
        {gll("4916.4500,N,12311.1200,W,123456.78,A,D,X")},
        {zda("123456.99,15,06,2004,00,00"), 1, "a", "b", "2004/06/15,12:34:56.990", 990},
        {zda("123456.789,15,06,2004,00,00"), 1, "a", "b", "2004/06/15,12:34:56.789", 789},
        {zda("123456.0999,15,06,2004,00,00"), 1, "a", "b", "2004/06/15,12:34:56.100", 99},
        {zda("123456,15,06,2004,00,00"), 1, "a", "b", "2004/06/15,12:34:56.000", 0},
        {zda("123456.78,15,06,2004,-07,30")}, // the zone is not used
        {"abc,a,b," + kZda + kGll, 0},
        {gll("0000.0000,N,00000.0000,E,123456.78,A,A"), 1, "a", "b", kTime, 780, 0.0, 0.0},
        {gll("9000.0000,S,18000.0000,E,123456.78,A,A"), 1, "a", "b", kTime, 780, -90.0, 180.0},
        {zda("123456.78,10x,06,2004,00,00"), 1, "a", "b", "2004/06/10,12:34:56.780"},
        {gll("4916.4500x,N,12311.1200,W,123456.78,A,A")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.packet);
        ASSERT_TRUE(parse(c.packet));
        EXPECT_EQ(report.id, c.id);
        EXPECT_STREQ(report.comment1, c.comment1);
        EXPECT_STREQ(report.comment2, c.comment2);
        EXPECT_NEAR(report.latitude, c.latitude, 1e-12);
        EXPECT_NEAR(report.longitude, c.longitude, 1e-12);
        EXPECT_STREQ(report.timeText, c.time);
        EXPECT_EQ(report.reportTime.millitm, c.milliseconds);
    }
}

// A datagram whose GLL ('G') or ZDA ('Z') field i is set to a value is refused,
// as are these datagrams.
TEST_F(PacketParserTest, RefusedDatagrams) {
    const std::tuple<char, int, const char*> fields[] = {
        {'G', 0, "ab16.4500"},   {'G', 0, "inf"},     {'G', 2, "nan"},       {'G', 0, "0x1F"},
        {'Z', 1, "0x0F"},        {'Z', 3, "+0X7D4"},  {'G', 0, "9000.0001"}, {'G', 2, "18000.0001"},
        {'G', 0, "1e200"},       {'G', 0, "1e400"},   {'G', 1, "X"},         {'G', 3, "Q"},
        {'G', 5, "X"},           {'G', 6, "E"},       {'G', 4, "123"},       {'G', 4, "1234"},
        {'Z', 0, "12ab56.78"},   {'Z', 0, "1234inf"}, {'Z', 0, "12341e300"}, {'Z', 3, "99999"},
        {'Z', 2, "-2147483648"}, {'Z', 5, ""},        {'Z', 1, ""}};
    for (const auto& [sentence, field, value] : fields) {
        std::vector<std::string> parts;
        std::istringstream all(sentence == 'G' ? "4916.4500,N,12311.1200,W,123456.78,A,A"
                                               : "123456.78,15,06,2004,00,00");
        for (std::string part; std::getline(all, part, ',');) {
            parts.push_back(part);
        }
        parts[static_cast<size_t>(field)] = value;
        std::string fieldText = parts[0];
        for (size_t i = 1; i < parts.size(); ++i) {
            fieldText += "," + parts[i];
        }
        EXPECT_FALSE(parse(sentence == 'G' ? gll(fieldText) : zda(fieldText))) << fieldText;
    }
    const std::string refused[] = {"1,a,b," + kGll + kZda,
                                   "1,a,b," + kGll + kGll,
                                   gll("4916.4500,N,12311.1200,W,123456.78,A"),
                                   "1,a,b," + kZda +
                                       kGll.substr(0, kGll.size() - 3), // no second star
                                   "1,a,b,$GPZDA,123456.78,15,06,2004,00,00" + kGll,
                                   "1,a,b," + kZda + "*1" + kGll,
                                   "1,a,b," + kZda,
                                   "1,a,b,nothing here",
                                   "12,Convoy A,Leg 2",
                                   "12,Convoy A",
                                   "12",
                                   "",
                                   "1,a,b,$GPZDX,123456.78,15,06,2004,00,00*4B" + kGll,
                                   "1,a,b,$GP ZDA,123456.78,15,06,2004,00,00*4B" + kGll};
    for (const std::string& packet : refused) {
        EXPECT_FALSE(parse(packet)) << packet;
    }
}

// A report goes into its record unless it is older than what the record holds
// or its node is unknown.
TEST_F(PacketParserTest, ReportsApplyToKnownNodesInTimeOrder) {
    ASSERT_TRUE(table.loadNodeFile(dir.write("nodes.txt", "12 Truck\n13 Van\n").c_str()));
    ASSERT_TRUE(deliver(kPacket));
    const nodes::NodeRecord* r = table.findById(12);
    EXPECT_NEAR(r->latitude, kLat, 1e-9);
    EXPECT_STREQ(r->comment1, "Convoy A");
    EXPECT_STREQ(r->comment2, "Leg 2");
    EXPECT_STREQ(r->reportTimeText, kTime);
    EXPECT_EQ(r->reportTime.millitm, 780);
    EXPECT_EQ(r->receiptTime.time, clock.timeStamp().time);
    EXPECT_TRUE(deliver(kPacket)) << "the same time again is taken";
    EXPECT_FALSE(deliver("12,Other,Text,$GPZDA,123456.77,15,06,2004,00,00*4B"
                         "$GPGLL,1000.0000,S,01000.0000,E,123456.77,A,A*2C"));
    EXPECT_NEAR(r->latitude, kLat, 1e-9);
    EXPECT_STREQ(r->comment1, "Convoy A");
    EXPECT_STREQ(r->comment2, "Leg 2");
    EXPECT_FALSE(deliver("99," + kPacket.substr(3)));
    EXPECT_FALSE(deliver("-12," + kPacket.substr(3)));
    EXPECT_EQ(table.findById(99), nullptr);
    EXPECT_EQ(table.lateNodeCount() + table.fileNodeCount(), 2u);
}

} // namespace
