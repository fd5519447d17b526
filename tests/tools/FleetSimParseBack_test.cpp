// What fleet-sim sends, read back by the display's own packet parser.
#include "inputs/PacketParser.h"
#include "tools/fleet-sim/PositionDatagram.h"

#include "tests/support/ZoneGuard.h"
#include "tests/tools/ToolProcess.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <ctime>
#include <sstream>
#include <string>

namespace {

class FleetSimParseBack : public ::testing::Test {
protected:
    // The parser reads the ZDA calendar as local time; the simulator writes
    // UTC, so a display shows true times when it runs in UTC.
    testsupport::ZoneGuard zone{"UTC"};
};

TEST_F(FleetSimParseBack, EveryFieldSurvivesTheTrip) {
    struct Case {
        int32_t id;
        const char* comment1;
        const char* comment2;
        int64_t utcMs;
        double latitude;
        double longitude;
    };
    const Case cases[] = {
        {12, "Convoy A", "Leg 2", 1087302896780, 49.274166, -123.185333},
        {0, "", "", 0, 0.0, 0.0},
        {1000, "Van; the second", "Leg 9", 2147483647990, -89.99999, 179.99999},
        {7, "x", "y", 1700000000010, -0.00001, -0.00001},
        {44, "Truck", "Leg 1", 1750000000999, 35.5, -115.25},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.id);
        fleetsim::PositionReport sent;
        sent.id = c.id;
        sent.comment1 = c.comment1;
        sent.comment2 = c.comment2;
        sent.utcMilliseconds = c.utcMs;
        sent.latitude = c.latitude;
        sent.longitude = c.longitude;
        std::string datagram = fleetsim::PositionDatagram::format(sent);

        inputs::PositionReport received;
        ASSERT_TRUE(inputs::PacketParser::parse(datagram.data(), received));
        EXPECT_EQ(received.id, c.id);
        EXPECT_STREQ(received.comment1, c.comment1);
        EXPECT_STREQ(received.comment2, c.comment2);
        // Times go out in hundredths, cut.
        EXPECT_EQ(received.reportTime.time, c.utcMs / 1000);
        EXPECT_EQ(received.reportTime.millitm, (c.utcMs % 1000) / 10 * 10);
        // Positions go out in ten-thousandths of a minute.
        EXPECT_NEAR(received.latitude, c.latitude, 0.00005 / 60.0 + 1e-12);
        EXPECT_NEAR(received.longitude, c.longitude, 0.00005 / 60.0 + 1e-12);
    }
}

TEST_F(FleetSimParseBack, TheProgramsOutputParsesWhole) {
    const ToolProcess::Outcome outcome = ToolProcess::run(
        FLEET_SIM_PATH, {"--dry-run", "--ids", "0-49", "--seed", "7", "--start-time", "1750000000",
                         "--count", "2000", "--silent-fraction", "0.3", "--max-rate"});
    ASSERT_TRUE(outcome.exited);
    ASSERT_EQ(outcome.status, 0) << outcome.err;
    std::istringstream lines(outcome.out);
    std::string line;
    int parsed = 0;
    while (std::getline(lines, line)) {
        SCOPED_TRACE(line);
        inputs::PositionReport report;
        ASSERT_TRUE(inputs::PacketParser::parse(line.data(), report));
        EXPECT_GE(report.id, 0);
        EXPECT_LE(report.id, 49);
        EXPECT_GE(report.reportTime.time, 1750000000);
        EXPECT_LT(report.reportTime.time, 1750000000 + 3600);
        EXPECT_NEAR(report.latitude, 35.0, 0.5 + 1e-6);
        EXPECT_NEAR(report.longitude, -115.0, 0.5 / std::cos(35.0 * M_PI / 180.0) + 1e-6);
        ++parsed;
    }
    EXPECT_EQ(parsed, 2000);
}

} // namespace
