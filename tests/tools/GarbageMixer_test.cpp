// fleet-sim's garbage, read by the display's own parser: each kind is what it
// says, the share holds, and no vehicle's last datagram of a run is garbage.
#include "tools/fleet-sim/FleetRunner.h"
#include "tools/fleet-sim/GarbageMixer.h"
#include "tools/fleet-sim/PositionDatagram.h"

#include "inputs/PacketParser.h"
#include "tests/support/ZoneGuard.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

namespace {

using fleetsim::DatagramSource;
using fleetsim::FleetSimulator;
using fleetsim::GarbageMixer;

// 2026-01-01 00:00:00 UTC.
constexpr int64_t kStartMs = 1767225600000;

class GarbageMixerTest : public ::testing::Test {
protected:
    testsupport::ZoneGuard zone{"UTC"};

    static fleetsim::FleetOptions options(double totalRate) {
        fleetsim::FleetOptions o;
        o.seed = 5;
        o.startTimeMs = kStartMs;
        o.totalRate = totalRate;
        o.silentFraction = 0.0;
        return o;
    }

    // What the display's parser makes of a datagram cut to `keep` bytes, as
    // a receive buffer of keep + 1 bytes cuts it; false when it drops it. The
    // report's comments point into `text_`.
    bool parses(const std::string& datagram, size_t keep, inputs::PositionReport& report) {
        text_ = datagram.substr(0, keep);
        text_ = text_.c_str(); // the receiver's text ends at a zero byte
        return inputs::PacketParser::parse(text_.data(), report);
    }

private:
    std::string text_;
};

TEST_F(GarbageMixerTest, EachKindIsWhatItSays) {
    fleetsim::PositionReport report;
    report.id = 12;
    report.comment1 = "Convoy A";
    report.comment2 = "Leg 2";
    report.utcMilliseconds = kStartMs + 45296780; // 12:34:56.78
    report.latitude = 49.274166;
    report.longitude = -123.185333;
    const fleetsim::SeededRandom random(9);
    for (uint64_t key = 0; key < 200; ++key) {
        SCOPED_TRACE(key);
        inputs::PositionReport out;
        using Kind = GarbageMixer::Kind;
        const std::string bytes = GarbageMixer::garbage(Kind::RandomBytes, report, random, key);
        EXPECT_GE(bytes.size(), 1u);
        EXPECT_LE(bytes.size(), 300u);
        EXPECT_EQ(bytes.find('$'), std::string::npos);
        EXPECT_LT(GarbageMixer::garbage(Kind::Cut, report, random, key).size(),
                  fleetsim::PositionDatagram::format(report).rfind('*'));
        EXPECT_FALSE(parses(GarbageMixer::garbage(Kind::Cut, report, random, key), 65535, out));
        const std::string huge = GarbageMixer::garbage(Kind::Huge, report, random, key);
        EXPECT_EQ(huge.size(), GarbageMixer::kHugeBytes);
        for (const size_t keep : {249, 4095, 65535}) {
            EXPECT_FALSE(parses(huge, keep, out)) << keep;
        }
    }
    inputs::PositionReport out;
    ASSERT_TRUE(parses(GarbageMixer::garbage(GarbageMixer::Kind::FarFuture, report, random, 0),
                       65535, out));
    EXPECT_EQ(out.reportTime.time, (report.utcMilliseconds + 3653LL * 86400000) / 1000);
    EXPECT_EQ(out.reportTime.millitm, 780);
    ASSERT_TRUE(
        parses(GarbageMixer::garbage(GarbageMixer::Kind::Older, report, random, 0), 65535, out));
    EXPECT_EQ(out.reportTime.time, report.utcMilliseconds / 1000 - 3600);
    ASSERT_TRUE(parses(
        GarbageMixer::garbage(GarbageMixer::Kind::ControlCharacters, report, random, 0), 250, out));
    EXPECT_STREQ(out.comment1, "\x01"
                               "Convoy A\t\x1b[7m");
    EXPECT_STREQ(out.comment2, "\r\nLeg 2\x7f\x08");
}

// Of 100 000 slots a tenth is garbage, every kind about equally, the same
// slots with the same seed; none in the last second of the run.
TEST_F(GarbageMixerTest, ShareKindsAndACleanLastSecond) {
    constexpr uint64_t kSlots = 100000;
    FleetSimulator fleet(options(10000.0), fleetsim::VehicleList::range(0, 1000));
    GarbageMixer mixer(fleet, 0.1, 5, kSlots / 10000.0);
    FleetSimulator again(options(10000.0), fleetsim::VehicleList::range(0, 1000));
    GarbageMixer same(again, 0.1, 5, kSlots / 10000.0);
    std::map<size_t, int> bySize;
    int garbage = 0;
    int parsed = 0;
    std::map<int32_t, bool> lastWasGarbage;
    std::string datagram;
    std::string repeated;
    for (uint64_t slot = 0; slot < kSlots; ++slot) {
        const DatagramSource::Slot filled = mixer.fill(slot, datagram);
        ASSERT_EQ(same.fill(slot, repeated), filled);
        ASSERT_EQ(repeated, datagram);
        inputs::PositionReport out;
        const bool good = parses(datagram, 65535, out);
        if (filled == DatagramSource::Slot::Datagram) {
            ASSERT_TRUE(good) << datagram;
            lastWasGarbage[out.id] = false;
            continue;
        }
        ASSERT_EQ(filled, DatagramSource::Slot::Garbage);
        ASSERT_LT(slot, kSlots - 10000) << "garbage in the last second";
        ++garbage;
        parsed += good ? 1 : 0;
        if (good) {
            lastWasGarbage[out.id] = true;
        }
    }
    // 90 000 slots can be garbage: 9 000 expected.
    EXPECT_NEAR(garbage, 9000, 400);
    // Far-future, older and control-character reports parse: half of them.
    EXPECT_NEAR(parsed, garbage / 2, 300);
    EXPECT_EQ(lastWasGarbage.size(), 1001u);
    for (const auto& [id, wasGarbage] : lastWasGarbage) {
        EXPECT_FALSE(wasGarbage) << id;
    }
}

// Garbage goes out like any datagram but is no vehicle's report: the last
// reports kept are the genuine ones.
TEST_F(GarbageMixerTest, RunnerSendsGarbageButKeepsOnlyReports) {
    FleetSimulator fleet(options(1000.0), fleetsim::VehicleList::range(0, 9));
    GarbageMixer mixer(fleet, 0.5, 5, 0.0);
    struct Sink : fleetsim::DatagramSink {
        bool send(std::string_view datagram) override {
            sent.emplace_back(datagram);
            return true;
        }
        std::vector<std::string> sent;
    } sink;
    const std::atomic<bool> stop(false);
    fleetsim::FleetRunner::Limits limits;
    limits.count = 400;
    limits.unpaced = true;
    fleetsim::FleetRunner runner(mixer, sink, fleetsim::RatePacer(1000.0), limits, stop);
    fleetsim::LastReports last;
    runner.keepLastReports(last);
    const fleetsim::FleetRunner::Totals totals = runner.run();
    EXPECT_EQ(totals.sent, 400u);
    EXPECT_NEAR(static_cast<double>(totals.garbage), 200.0, 40.0);

    // The expected last report of each vehicle, from the mixer itself.
    FleetSimulator replay(options(1000.0), fleetsim::VehicleList::range(0, 9));
    GarbageMixer replayMixer(replay, 0.5, 5, 0.0);
    std::map<int32_t, std::string> expected;
    std::string datagram;
    for (uint64_t slot = 0; slot < 400; ++slot) {
        if (replayMixer.fill(slot, datagram) == DatagramSource::Slot::Datagram) {
            expected[std::stoi(datagram)] = datagram;
        }
    }
    EXPECT_EQ(last.reports(), expected);
    EXPECT_EQ(sink.sent.size(), 400u);
}

} // namespace
