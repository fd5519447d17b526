// fleet-sim's datagrams: the exact text, and every field read back by the display's parser.
#include "tools/fleet-sim/NmeaCoordinate.h"
#include "tools/fleet-sim/PositionDatagram.h"

#include "tests/tools/DisplayReading.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

namespace {

using fleetsim::NmeaCoordinate;
using fleetsim::PositionDatagram;
using fleetsim::PositionReport;

// The datagram this format is usually shown with carries the checksums 4B and 2C, which are not
// the exclusive or of its sentence bodies (6A and 7B); the display never compares them.
// fleet-sim writes true checksums: everything else is that datagram to the letter.
TEST(PositionDatagram, ReferenceDatagramWithTrueChecksums) {
    PositionReport report;
    report.id = 12;
    report.comment1 = "Convoy A";
    report.comment2 = "Leg 2";
    report.utcMilliseconds = 1087302896780; // 2004-06-15 12:34:56.78
    report.latitude = 49.0 + 16.45 / 60.0;
    report.longitude = -(123.0 + 11.12 / 60.0);
    EXPECT_EQ(PositionDatagram::format(report),
              "12,Convoy A,Leg 2,$GPZDA,123456.78,15,06,2004,00,00*6A"
              "$GPGLL,4916.4500,N,12311.1200,W,123456.78,A,A*7B");
    EXPECT_EQ(PositionDatagram::gllBody(-33.5, 151.25, 0),
              "GPGLL,3330.0000,S,15115.0000,E,000000.00,A,A");

    const struct {
        const char* body;
        const char* sum;
    } sums[] = {{"", "00"}, {"J", "4A"}, {"AN", "0F"}, {"\xff", "FF"}};
    for (const auto& c : sums) {
        EXPECT_EQ(PositionDatagram::checksum(c.body), c.sum) << c.body;
    }
    // Times are cut to hundredths, never rounded into the next second.
    const struct {
        int64_t ms;
        const char* zda;
    } times[] = {
        {1078099199999, "GPZDA,235959.99,29,02,2004,00,00"}, // leap day, last millisecond
        {1078099200000, "GPZDA,000000.00,01,03,2004,00,00"},
        {1087302896019, "GPZDA,123456.01,15,06,2004,00,00"},
        {2147483647000, "GPZDA,031407.00,19,01,2038,00,00"},
    };
    for (const auto& c : times) {
        EXPECT_EQ(PositionDatagram::zdaBody(c.ms), c.zda) << c.ms;
    }
    const struct {
        const char* in;
        const char* out;
    } comments[] = {{"Smith, J.", "Smith; J."}, {"tab\there\r\n", "tab here  "}, {"\x7f", " "}};
    for (const auto& c : comments) {
        EXPECT_EQ(PositionDatagram::cleanComment(c.in), c.out) << c.in;
    }
    EXPECT_EQ(PositionDatagram::cleanComment(std::string(200, 'x')).size(),
              PositionDatagram::kMaxCommentChars);
}

TEST(PositionDatagram, CoordinatesRoundToTenThousandthsOfAMinute) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const struct {
        bool latitude;
        double degrees;
        const char* value;
        char hemisphere;
    } cases[] = {
        {true, -0.00000001, "0000.0000", 'N'}, // rounds to zero: no "south zero"
        {true, -0.0001, "0000.0060", 'S'},
        {true, 10.99999999, "1100.0000", 'N'}, // 59.99999 minutes round up to the next degree
        {true, -10.99999999, "1100.0000", 'S'},
        {true, 10.9999991, "1059.9999", 'N'},
        {true, 95.0, "9000.0000", 'N'}, // clamped
        {true, nan, "0000.0000", 'N'},
        {false, 12.5, "01230.0000", 'E'},
        {false, -0.00000001, "00000.0000", 'E'},
        {false, 179.999999999, "18000.0000", 'E'},
        {false, -200.0, "18000.0000", 'W'},
        {false, std::numeric_limits<double>::infinity(), "00000.0000", 'E'},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.degrees);
        const NmeaCoordinate::Text text =
            c.latitude ? NmeaCoordinate::latitude(c.degrees) : NmeaCoordinate::longitude(c.degrees);
        EXPECT_EQ(text.value, c.value);
        EXPECT_EQ(text.hemisphere, c.hemisphere);
    }
}

// Every field survives the trip through the display's parser: times cut to hundredths,
// positions within half a ten-thousandth of a minute, also just below whole degrees.
TEST(PositionDatagram, TheDisplayReadsBackWhatWentIn) {
    const double tolerance = 0.5e-4 / 60.0 + 1e-9;
    PositionReport sent;
    sent.comment1 = "Van; the second";
    sent.comment2 = "Leg 9";
    DisplayReading got;
    const struct {
        int32_t id;
        int64_t ms;
        double latitude;
        double longitude;
    } cases[] = {
        {0, 0, 0.0, 0.0},
        {1000, 2147483647990, -89.99999, 179.99999},
        {7, 1700000000010, -0.00001, -0.00001},
        {44, 1750000000999, 35.5, -115.25},
    };
    for (const auto& c : cases) {
        sent.id = c.id;
        sent.utcMilliseconds = c.ms;
        sent.latitude = c.latitude;
        sent.longitude = c.longitude;
        const std::string datagram = PositionDatagram::format(sent);
        SCOPED_TRACE(datagram);
        ASSERT_TRUE(DisplayReading::read(datagram, got));
        EXPECT_EQ(got.id, c.id);
        EXPECT_EQ(got.comment1, sent.comment1);
        EXPECT_EQ(got.comment2, sent.comment2);
        EXPECT_EQ(got.utcMilliseconds, c.ms / 10 * 10);
        EXPECT_NEAR(got.latitude, c.latitude, tolerance);
        EXPECT_NEAR(got.longitude, c.longitude, tolerance);
    }
    sent.utcMilliseconds = 1087302896780;
    for (int degrees = -179; degrees <= 179; ++degrees) {
        for (double below : {1e-7, 8.3e-7, 1.3e-5, 0.37}) {
            const double value = degrees + (degrees < 0 ? -1.0 : 1.0) * (1.0 - below);
            sent.latitude = std::fmod(value, 90.0);
            sent.longitude = value;
            ASSERT_TRUE(DisplayReading::read(PositionDatagram::format(sent), got)) << value;
            ASSERT_NEAR(got.latitude, sent.latitude, tolerance) << value;
            ASSERT_NEAR(got.longitude, value, tolerance) << value;
        }
    }
    // The longest datagram fits the receiver's default buffer.
    sent.id = 1000;
    const std::string longest(PositionDatagram::kMaxCommentChars, 'x');
    sent.comment1 = longest;
    sent.comment2 = longest;
    sent.latitude = -89.999;
    sent.longitude = -179.999;
    EXPECT_LT(PositionDatagram::format(sent).size(), 250u - 1u);
}

} // namespace
