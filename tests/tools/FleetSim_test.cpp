// fleet-sim's parts: its command line, pacing, runner, silences, datagram text and garbage.
#include "tools/fleet-sim/FleetRunner.h"
#include "tools/fleet-sim/GarbageMixer.h"
#include "tools/fleet-sim/NmeaCoordinate.h"

#include "tests/tools/DisplayReading.h"

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

namespace {

using namespace fleetsim;
using Slot = DatagramSource::Slot;

// What the program's runs do not show: addresses, the other spellings, the last of a repeated
// option, --help before anything else. (The refusals are the program's, FleetSimCommand.)
TEST(FleetOptions, CommandLines) {
    const struct {
        std::vector<const char*> arguments;
        const char* description;
    } valid[] = {
        {{"--group=224.0.0.251", "--port", "6000", "--port=65535", "--ttl=255"},
         "224.0.0.251:65535/255@127.0.0.1 -|- 0.5 8 0"},
        {{"--interface", "10.0.0.5", "--ttl", "0", "--comment1", "A,B", "--comment2", ""},
         "239.192.0.1:5500/0@10.0.0.5 A,B| 0.5 8 0"},
        {{"--radius", "0.25", "--silent-seconds", "2.5", "--stdout"},
         "239.192.0.1:5500/0@127.0.0.1 -|- 0.25 2.5 1"},
        {{"--port", "0", "--bogus", "--help"}, "help"},
        {{"-h"}, "help"},
    };
    for (const auto& c : valid) {
        FleetOptions o;
        std::string error;
        ASSERT_TRUE(FleetOptions::parse(int(c.arguments.size()), c.arguments.data(), o, error))
            << error;
        std::ostringstream d;
        d << o.group << ":" << o.port << "/" << o.ttl << "@" << o.interfaceAddress << " "
          << o.comment1.value_or("-") << "|" << o.comment2.value_or("-") << " " << o.radius << " "
          << o.silentSeconds << " " << o.dryRun;
        EXPECT_EQ(o.help ? "help" : d.str(), c.description);
    }
}

// Slot n gives datagram "n"; every skip-th slot is empty; the source ends at `end`; every
// fail-th send fails.
struct Loop : DatagramSource, DatagramSink {
    uint64_t end, skip, fail, sends = 0, slots = 0;
    std::string received;
    Loop(uint64_t e, uint64_t s, uint64_t f) : end(e), skip(s), fail(f) {}
    Slot fill(uint64_t slot, std::string& datagram) override {
        ++slots;
        datagram = std::to_string(slot);
        return slot >= end                       ? Slot::End
               : skip && slot % skip == skip - 1 ? Slot::Skip
                                                 : Slot::Datagram;
    }
    bool send(std::string_view datagram) override {
        const bool fails = fail && ++sends % fail == 0;
        received += fails ? "" : std::string(datagram) + " ";
        return !fails;
    }
};

TEST(FleetRunner, PacesAndEndsAtTheCountTheScheduleTheSourceOrTheStopFlag) {
    const struct {
        uint64_t end, skip, fail;
        double rate;
        uint64_t count;
        double duration;
        bool unpaced, stop;
        uint64_t sent, errors, slots;
        const char* received; // its end
    } cases[] = {
        {UINT64_MAX, 0, 4, 5, 10, 0, true, false, 8, 2, 10, "0 1 2 4 5 6 8 9 "},
        {UINT64_MAX, 3, 0, 5, 6, 0, true, false, 6, 0, 8, "0 1 3 4 6 7 "},
        {UINT64_MAX, 0, 0, 10, 0, 2.5, true, false, 25, 0, 25, " 23 24 "}, // schedule, not clock
        {7, 0, 0, 0, 0, 0, false, false, 7, 0, 8, "0 1 2 3 4 5 6 "},
        {UINT64_MAX, 0, 0, 1000, 0, 0, true, true, 0, 0, 0, ""},
        {30, 0, 0, 1000, 0, 0, false, false, 30, 0, 31, " 29 "}, // the last due after 29 ms
    };
    for (const auto& c : cases) {
        Loop loop(c.end, c.skip, c.fail);
        const std::atomic<bool> stop(c.stop);
        FleetRunner::Limits limits;
        limits.unpaced = c.unpaced;
        limits.count = c.count;
        limits.duration = c.duration;
        const auto totals = FleetRunner(loop, loop, RatePacer(c.rate), limits, stop).run();
        const std::string want = c.received;
        EXPECT_EQ(loop.received.substr(loop.received.size() - want.size()), want) << c.sent;
        EXPECT_EQ(std::vector({totals.sent, totals.sendErrors, loop.slots}),
                  std::vector({c.sent, c.errors, c.slots}));
        EXPECT_GE(totals.seconds, c.unpaced || c.rate == 0 ? 0.0 : 0.029) << c.sent;
    }
    // Deadlines count from the start: the last due slot is at or before the time, the next one
    // after it; 100 000 a second for 5 s is exact; slow rates do not overflow.
    for (double rate : {1.0 / 3.0, 0.7, 4.0, 19.99, 1000.0 / 7.0, 33333.3, 100000.0, 1e7}) {
        for (int64_t step = 0; step < 2000; ++step) {
            const std::chrono::nanoseconds elapsed(step * 7919 * 1013);
            const uint64_t due = RatePacer(rate).dueBy(elapsed);
            ASSERT_TRUE(due >= 1 && RatePacer(rate).offsetOf(due - 1) <= elapsed &&
                        RatePacer(rate).offsetOf(due) > elapsed)
                << rate;
        }
    }
    EXPECT_EQ(RatePacer(4.0).dueBy(std::chrono::nanoseconds(-1)), 0u);
    EXPECT_EQ(RatePacer(100000.0).dueBy(std::chrono::seconds(5)), 500001u);
    EXPECT_GT(RatePacer(0.001).offsetOf(UINT64_MAX).count(), 0);
    for (double rate : {0.0, -5.0, double(NAN), double(INFINITY)}) {
        EXPECT_TRUE(!RatePacer(rate).paced() && RatePacer(rate).dueBy({}) == UINT64_MAX &&
                    RatePacer(rate).offsetOf(9).count() == 0);
    }
}

TEST(SilenceSchedule, TheGivenShareFallsSilent) {
    const struct {
        uint32_t vehicles;
        double share;
        uint32_t silent;
    } cases[] = {{20, 0.15, 3}, {20, 0, 0},   {20, 1, 20},
                 {7, 0.5, 4},   {1, 0.15, 0}, {1001, 0.15, 150}};
    for (const auto& c : cases) {
        const SilenceSchedule schedule(SeededRandom(7), c.vehicles, c.share, 8.0);
        uint32_t marked = 0;
        for (uint32_t v = 0; v < c.vehicles + 5; ++v) {
            marked += schedule.fallsSilent(v) ? 1 : 0;
            EXPECT_FALSE(schedule.isSilent(v, -1));
        }
        EXPECT_EQ(marked * 10000 + schedule.silentVehicleCount(), c.silent * 10001) << c.vehicles;
    }
}

// The datagram usually shown for this format carries the checksums 4B and 2C, not the exclusive
// or of its bodies (6A, 7B); the display never compares them. fleet-sim writes true ones.
TEST(PositionDatagram, ExactTextRoundingAndTheDisplaysReading) {
    PositionReport sent{12, "Convoy A", "Leg 2", 1087302896780, 49 + 16.45 / 60, -123 - 11.12 / 60};
    EXPECT_EQ(PositionDatagram::format(sent),
              "12,Convoy A,Leg 2,$GPZDA,123456.78,15,06,2004,00,00*6A"
              "$GPGLL,4916.4500,N,12311.1200,W,123456.78,A,A*7B");
    EXPECT_EQ(PositionDatagram::checksum("\xff") + PositionDatagram::checksum("AN"), "FF0F");
    EXPECT_EQ(PositionDatagram::cleanComment("a, b\tc\r\n\x7f" + std::string(80, 'x')),
              "a; b c   " + std::string(54, 'x'));
    // Times are cut to hundredths, never rounded into the next second.
    for (const auto& [ms, zda] :
         {std::pair{int64_t{1078099199999}, "GPZDA,235959.99,29,02,2004,00,00"},
          {1078099200000, "GPZDA,000000.00,01,03,2004,00,00"},
          {2147483647019, "GPZDA,031407.01,19,01,2038,00,00"}}) {
        EXPECT_EQ(PositionDatagram::zdaBody(ms), zda) << ms;
    }
    const struct {
        bool latitude;
        double degrees;
        const char* text;
    } coordinates[] = {
        {true, -0.00000001, "0000.0000N"}, // rounds to zero: no "south zero"
        {true, -0.0001, "0000.0060S"},
        {true, 10.99999999, "1100.0000N"},
        {true, -10.99999999, "1100.0000S"},
        {true, 10.9999991, "1059.9999N"},
        {true, 95.0, "9000.0000N"},
        {true, NAN, "0000.0000N"},
        {false, 12.5, "01230.0000E"},
        {false, -0.00000001, "00000.0000E"},
        {false, 179.999999999, "18000.0000E"},
        {false, -200.0, "18000.0000W"},
        {false, INFINITY, "00000.0000E"},
    };
    for (const auto& c : coordinates) {
        const auto text =
            c.latitude ? NmeaCoordinate::latitude(c.degrees) : NmeaCoordinate::longitude(c.degrees);
        EXPECT_EQ(text.value + text.hemisphere, c.text) << c.degrees;
    }
    // Every field survives the display's parser: times cut to hundredths, positions within half a
    // ten-thousandth of a minute, also just below whole degrees; the longest fits 250 bytes.
    const double tolerance = 0.5e-4 / 60.0 + 1e-9;
    const std::string longest(PositionDatagram::kMaxCommentChars, 'x');
    DisplayReading got;
    for (const PositionReport& c : {PositionReport{0, "Van; the second", "Leg 9", 0, 0.0, 0.0},
                                    {1000, longest, longest, 2147483647990, -89.99999, -179.99999},
                                    {7, "", "", 1700000000010, -0.00001, -0.00001}}) {
        ASSERT_TRUE(got.read(PositionDatagram::format(c), 249)) << PositionDatagram::format(c);
        EXPECT_EQ(std::to_string(got.report.id) + got.comment1 + "|" + got.comment2,
                  std::to_string(c.id) + std::string(c.comment1) + "|" + std::string(c.comment2));
        EXPECT_EQ(got.utcMilliseconds, c.utcMilliseconds / 10 * 10);
        EXPECT_NEAR(got.report.latitude, c.latitude, tolerance);
        EXPECT_NEAR(got.report.longitude, c.longitude, tolerance);
    }
    for (int degrees = -179; degrees <= 179; ++degrees) {
        for (double below : {1e-7, 8.3e-7, 1.3e-5, 0.37}) {
            sent.longitude = degrees + (degrees < 0 ? -1.0 : 1.0) * (1.0 - below);
            sent.latitude = std::fmod(sent.longitude, 90.0);
            ASSERT_TRUE(got.read(PositionDatagram::format(sent))) << sent.longitude;
            ASSERT_NEAR(got.report.latitude, sent.latitude, tolerance) << sent.longitude;
            ASSERT_NEAR(got.report.longitude, sent.longitude, tolerance) << sent.longitude;
        }
    }
}

// The garbage kinds are what they say when the display's parser reads them.
TEST(GarbageMixer, KindsAsTheDisplayReadsThem) {
    const PositionReport report{12, "Convoy A", "Leg 2", 1767271096780, 49.27, -123.18};
    const SeededRandom random(9);
    DisplayReading got;
    using Kind = GarbageMixer::Kind;
    for (uint64_t key = 0; key < 200; ++key) {
        const std::string bytes = GarbageMixer::garbage(Kind::RandomBytes, report, random, key);
        EXPECT_TRUE(bytes.size() >= 1 && bytes.size() <= 300 &&
                    bytes.find('$') == std::string::npos);
        const std::string cut = GarbageMixer::garbage(Kind::Cut, report, random, key);
        EXPECT_LT(cut.size(), PositionDatagram::format(report).rfind('*'));
        const std::string huge = GarbageMixer::garbage(Kind::Huge, report, random, key);
        EXPECT_EQ(huge.size(), GarbageMixer::kHugeBytes);
        EXPECT_FALSE(got.read(cut) || got.read(huge, 249) || got.read(huge, 4095) || got.read(huge))
            << key;
    }
    ASSERT_TRUE(got.read(GarbageMixer::garbage(Kind::FarFuture, report, random, 0)));
    EXPECT_EQ(got.utcMilliseconds, report.utcMilliseconds + 3653LL * 86400000);
    ASSERT_TRUE(got.read(GarbageMixer::garbage(Kind::Older, report, random, 0)));
    EXPECT_EQ(got.utcMilliseconds, report.utcMilliseconds - 3600000);
    ASSERT_TRUE(got.read(GarbageMixer::garbage(Kind::ControlCharacters, report, random, 0), 249));
    EXPECT_EQ(got.comment1 + "|" + got.comment2, "\x01"
                                                 "Convoy A\t\x1b[7m|\r\nLeg 2\x7f\x08");
}

} // namespace
