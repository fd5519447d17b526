#include "tools/fleet-sim/PositionDatagram.h"

#include "tests/tools/DatagramShape.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using fleetsim::PositionDatagram;
using fleetsim::PositionReport;

// 2004-06-15 12:34:56.780 UTC.
constexpr int64_t kExampleTimeMs = 1087302896780;

PositionReport exampleReport() {
    PositionReport report;
    report.id = 12;
    report.comment1 = "Convoy A";
    report.comment2 = "Leg 2";
    report.utcMilliseconds = kExampleTimeMs;
    report.latitude = 49.0 + 16.45 / 60.0;      // 49.274166...
    report.longitude = -(123.0 + 11.12 / 60.0); // -123.185333...
    return report;
}

// The datagram this format is usually shown with reads
//   12,Convoy A,Leg
//   2,$GPZDA,123456.78,15,06,2004,00,00*4B$GPGLL,4916.4500,N,12311.1200,W,123456.78,A,A*2C
// but 4B and 2C are not the exclusive or of those sentence bodies (that is 6A
// and 7B); the display never compares them, so the example went unnoticed.
// fleet-sim writes true checksums: everything else is that datagram to the letter.
TEST(PositionDatagram, WritesTheReferenceDatagramToTheLetterWithTrueChecksums) {
    EXPECT_EQ(PositionDatagram::format(exampleReport()),
              "12,Convoy A,Leg 2,$GPZDA,123456.78,15,06,2004,00,00*6A"
              "$GPGLL,4916.4500,N,12311.1200,W,123456.78,A,A*7B");
}

TEST(PositionDatagram, ChecksumsAreTheExclusiveOrInTwoUpperCaseDigits) {
    struct Case {
        const char* body;
        const char* sum;
    };
    const Case cases[] = {
        {"GPZDA,123456.78,15,06,2004,00,00", "6A"},
        {"GPGLL,4916.4500,N,12311.1200,W,123456.78,A,A", "7B"},
        {"GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,", "47"},
        {"", "00"},
        {"J", "4A"},
        {"AN", "0F"}, // 0x41 ^ 0x4E: a leading zero is kept
        {"\xff", "FF"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.body);
        EXPECT_EQ(PositionDatagram::checksum(c.body), c.sum);
    }
}

TEST(PositionDatagram, SentenceBodies) {
    EXPECT_EQ(PositionDatagram::zdaBody(kExampleTimeMs), "GPZDA,123456.78,15,06,2004,00,00");
    EXPECT_EQ(PositionDatagram::gllBody(-33.5, 151.25, kExampleTimeMs),
              "GPGLL,3330.0000,S,15115.0000,E,123456.78,A,A");
}

TEST(PositionDatagram, TimesAreCutToHundredthsNeverRoundedIntoTheNextSecond) {
    struct Case {
        int64_t ms;
        const char* zda;
    };
    const Case cases[] = {
        {0, "GPZDA,000000.00,01,01,1970,00,00"},
        {1078099199999, "GPZDA,235959.99,29,02,2004,00,00"}, // leap day, last millisecond
        {1078099200000, "GPZDA,000000.00,01,03,2004,00,00"},
        {1087302896005, "GPZDA,123456.00,15,06,2004,00,00"},
        {1087302896019, "GPZDA,123456.01,15,06,2004,00,00"},
        {2147483647000, "GPZDA,031407.00,19,01,2038,00,00"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.ms);
        EXPECT_EQ(PositionDatagram::zdaBody(c.ms), c.zda);
    }
}

TEST(PositionDatagram, CommentsLoseCommasAndControlCharactersAndAreCut) {
    EXPECT_EQ(PositionDatagram::cleanComment("Convoy A"), "Convoy A");
    EXPECT_EQ(PositionDatagram::cleanComment("Smith, J."), "Smith; J.");
    EXPECT_EQ(PositionDatagram::cleanComment(",,"), ";;");
    EXPECT_EQ(PositionDatagram::cleanComment("tab\there\r\n"), "tab here  ");
    EXPECT_EQ(PositionDatagram::cleanComment(""), "");
    const std::string longText(200, 'x');
    EXPECT_EQ(PositionDatagram::cleanComment(longText).size(), PositionDatagram::kMaxCommentChars);
}

TEST(PositionDatagram, LongestDatagramFitsTheReceiversDefaultBuffer) {
    const std::string longest(PositionDatagram::kMaxCommentChars, 'x');
    PositionReport report = exampleReport();
    report.id = 1000;
    report.comment1 = longest;
    report.comment2 = longest;
    report.latitude = -89.999;
    report.longitude = -179.999;
    const std::string datagram = PositionDatagram::format(report);
    EXPECT_LT(datagram.size(), 250u - 1u);
    EXPECT_EQ(DatagramShape::problem(datagram), "");
}

TEST(PositionDatagram, FormattedDatagramsDecodeToWhatWentIn) {
    const double positions[][2] = {
        {49.2741667, -123.1853333}, {-33.8688, 151.2093},  {0.0, 0.0},
        {-0.00001, -0.00001},       {89.99999, 179.99999}, {35.0, -115.0}};
    int64_t time = kExampleTimeMs;
    for (const auto& position : positions) {
        PositionReport report = exampleReport();
        report.latitude = position[0];
        report.longitude = position[1];
        report.utcMilliseconds = time;
        const std::string datagram = PositionDatagram::format(report);
        SCOPED_TRACE(datagram);
        DecodedDatagram decoded;
        ASSERT_TRUE(DatagramShape::decode(datagram, decoded)) << DatagramShape::problem(datagram);
        EXPECT_EQ(decoded.id, 12);
        EXPECT_EQ(decoded.comment1, "Convoy A");
        EXPECT_EQ(decoded.comment2, "Leg 2");
        EXPECT_EQ(decoded.utcMilliseconds, time / 10 * 10);
        EXPECT_NEAR(decoded.latitude, position[0], 1e-6);
        EXPECT_NEAR(decoded.longitude, position[1], 1e-6);
        time += 1234567;
    }
}

} // namespace
