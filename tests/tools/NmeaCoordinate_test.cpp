#include "tools/fleet-sim/NmeaCoordinate.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

namespace {

using fleetsim::NmeaCoordinate;

// The display's conversion: degrees = floor(value * 0.01), then the rest of
// the value as minutes; the hemisphere gives the sign.
double displayDegrees(const NmeaCoordinate::Text& text) {
    const double value = std::stod(text.value);
    const double degrees = std::floor(value * 0.01);
    const double decimal = degrees + (value - degrees * 100.0) * (1.0 / 60.0);
    return (text.hemisphere == 'N' || text.hemisphere == 'E') ? decimal : -decimal;
}

int minutesOf(const std::string& value) {
    const size_t dot = value.find('.');
    return std::stoi(value.substr(dot - 2, 2));
}

struct Case {
    double degrees;
    const char* value;
    char hemisphere;
};

TEST(NmeaCoordinate, Latitudes) {
    const Case cases[] = {
        {49.0 + 16.45 / 60.0, "4916.4500", 'N'},
        {-33.5, "3330.0000", 'S'},
        {35.0, "3500.0000", 'N'},
        {0.0, "0000.0000", 'N'},
        {-0.0, "0000.0000", 'N'},
        {-0.00000001, "0000.0000", 'N'}, // rounds to zero: no "south zero"
        {-0.0001, "0000.0060", 'S'},
        {10.99999999, "1100.0000", 'N'}, // 59.99999 minutes round up to the next degree
        {-10.99999999, "1100.0000", 'S'},
        {10.9999991, "1059.9999", 'N'},
        {89.99999999, "9000.0000", 'N'},
        {90.0, "9000.0000", 'N'},
        {-90.0, "9000.0000", 'S'},
        {95.0, "9000.0000", 'N'}, // clamped
        {std::numeric_limits<double>::quiet_NaN(), "0000.0000", 'N'},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.degrees);
        const NmeaCoordinate::Text text = NmeaCoordinate::latitude(c.degrees);
        EXPECT_EQ(text.value, c.value);
        EXPECT_EQ(text.hemisphere, c.hemisphere);
    }
}

TEST(NmeaCoordinate, Longitudes) {
    const Case cases[] = {
        {-(123.0 + 11.12 / 60.0), "12311.1200", 'W'},
        {-115.0, "11500.0000", 'W'},
        {12.5, "01230.0000", 'E'},
        {0.0, "00000.0000", 'E'},
        {-0.00000001, "00000.0000", 'E'},
        {179.999999999, "18000.0000", 'E'},
        {-180.0, "18000.0000", 'W'},
        {-200.0, "18000.0000", 'W'}, // clamped
        {std::numeric_limits<double>::infinity(), "00000.0000", 'E'},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.degrees);
        const NmeaCoordinate::Text text = NmeaCoordinate::longitude(c.degrees);
        EXPECT_EQ(text.value, c.value);
        EXPECT_EQ(text.hemisphere, c.hemisphere);
    }
}

TEST(NmeaCoordinate, RoundTripsThroughTheDisplaysConversion) {
    // Four decimals of a minute: the error is at most half of 1/10000 minute.
    const double tolerance = 0.5e-4 / 60.0 + 1e-9;
    for (int step = -900000; step <= 900000; step += 37) {
        const double latitude = step * 1e-4 + 0.0000123;
        if (std::fabs(latitude) > 90.0) {
            continue;
        }
        SCOPED_TRACE(latitude);
        const NmeaCoordinate::Text text = NmeaCoordinate::latitude(latitude);
        ASSERT_EQ(text.value.size(), 9u);
        ASSERT_LT(minutesOf(text.value), 60);
        ASSERT_NEAR(displayDegrees(text), latitude, tolerance);
    }
    for (int step = -1800000; step <= 1800000; step += 41) {
        const double longitude = step * 1e-4 - 0.0000077;
        if (std::fabs(longitude) > 180.0) {
            continue;
        }
        SCOPED_TRACE(longitude);
        const NmeaCoordinate::Text text = NmeaCoordinate::longitude(longitude);
        ASSERT_EQ(text.value.size(), 10u);
        ASSERT_LT(minutesOf(text.value), 60);
        ASSERT_NEAR(displayDegrees(text), longitude, tolerance);
    }
}

TEST(NmeaCoordinate, ValuesJustBelowAWholeDegreeNeverGiveSixtyMinutes) {
    for (int degrees = -89; degrees <= 89; ++degrees) {
        for (double below : {1e-7, 4e-7, 8.3e-7, 9e-7, 1e-6}) {
            const double latitude = degrees + (degrees < 0 ? -1.0 : 1.0) * (1.0 - below);
            SCOPED_TRACE(latitude);
            const NmeaCoordinate::Text text = NmeaCoordinate::latitude(latitude);
            EXPECT_LT(minutesOf(text.value), 60);
            EXPECT_NEAR(displayDegrees(text), latitude, 1e-6);
        }
    }
}

} // namespace
