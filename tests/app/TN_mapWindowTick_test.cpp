// The tick through the real widgets of the dialogs, on a clock that moves only
// when told to (the tests run under xvfb-run).
#include "app/TN_mapWindow.h"
#include "inputs/MulticastPort.h"
#include "ui/InputsDialog.h"
#include "ui/OutputsDialog.h"
#include "ui/PreferencesDialog.h"

#include "tests/support/FltkLocked.h"
#include "tests/support/ManualClockTest.h"
#include "tests/support/TempDir.h"
#include "tests/support/WorkingDirectory.h"
#include "tests/support/ZoneGuard.h"

#include <FL/Fl.H>
#include <FL/Fl_Box.H>
#include <FL/Fl_Check_Button.H>
#include <FL/Fl_Choice.H>
#include <FL/Fl_Output.H>
#include <FL/Fl_Round_Button.H>
#include <FL/Fl_Value_Input.H>

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <memory>
#include <numbers>
#include <sstream>
#include <string>

namespace {

using app::ActivitySchedule;
using app::TN_mapWindow;

std::string readAll(const std::string& path) {
    return testsupport::TempDir::read(path);
}

class TickTest : public testsupport::ManualClockTest {
protected:
    void SetUp() override {
        testsupport::ManualClockTest::SetUp();
        enterDir = std::make_unique<testsupport::WorkingDirectory>(dir.path());
        dir.write("nodes.txt", "1 One\n2 Two\n3 Three\n");
        dir.write("ports.txt", "fleet 239.255.3.3 25333\n");
        window = std::make_unique<TN_mapWindow>();
    }
    void TearDown() override {
        window.reset();
        enterDir.reset();
        testsupport::ManualClockTest::TearDown();
    }
    void load(const std::string& io, const std::string& preferences = "") {
        dir.write("io.txt", io);
        dir.write("prefs.txt", preferences);
        dir.write("site.cfg", "NodeFile nodes.txt\nPortFile ports.txt\nWWWFile io.txt\n"
                              "PreferenceFile prefs.txt\n");
        window->loadMasterConfig("site.cfg");
    }
    void tick() {
        window->sampleClock();
        window->periodicUpdate();
    }
    // Moves both clocks by a number of milliseconds.
    void advance(int64_t ms) { clock.advanceMs(ms); }

    testsupport::TempDir dir;
    std::unique_ptr<testsupport::WorkingDirectory> enterDir;
    std::unique_ptr<TN_mapWindow> window;
};

TEST_F(TickTest, DefinitionsFileSetsTheDialogs) {
    load("active input local_state\n"
         "Input LocalStateFile in.txt\n"
         "Active Output LOCAL_STATE\n"
         "Output LocalStateFile out/snap.txt\n"
         "Input MultiCastBytesPerBuffer 300\n"
         "Input RemotePort 8080x\n");
    InputsDialog& in = *window->inputsDialog();
    OutputsDialog& out = *window->outputsDialog();
    EXPECT_EQ(in.localState->value(), 1);
    EXPECT_EQ(in.multicast->value(), 0);
    EXPECT_STREQ(in.stateFile->value(), "in.txt");
    EXPECT_EQ(in.bytesPerBuffer->value(), 300);
    EXPECT_EQ(in.buffersPerPort->value(), 75); // kept from the start value
    EXPECT_EQ(in.remotePort->value(), 8080);
    EXPECT_EQ(out.localSnapshot->value(), 1);
    EXPECT_STREQ(out.snapshotFileName(), "out/snap.txt");
}

TEST_F(TickTest, IdleFieldsOnlyForPackets) {
    load("Active Input MULTICAST\n");
    PreferencesDialog& prefs = *window->preferencesDialog();
    tick();
    EXPECT_TRUE(prefs.mediumIdle->visible());
    EXPECT_TRUE(prefs.badIdle->visible());
    for (Fl_Round_Button* mode :
         {window->inputsDialog()->localState, window->inputsDialog()->remoteState}) {
        window->inputsDialog()->multicast->value(0);
        mode->value(1);
        tick();
        EXPECT_FALSE(prefs.mediumIdle->visible());
        EXPECT_FALSE(prefs.badIdle->visible());
        mode->value(0);
    }
}

TEST_F(TickTest, BufferSizeChangeRebuildsThePortsOnce) {
    load("Active Input MULTICAST\n");
    tick(); // 75 buffers of 250 bytes, from the start values
    EXPECT_EQ(window->nodeTable().buffersPerPort(), 75);
    const uint32_t before = window->nodeTable().portRebuildCount();
    window->inputsDialog()->bytesPerBuffer->value(400);
    tick();
    tick();
    EXPECT_EQ(window->nodeTable().portRebuildCount(), before + 1);
    EXPECT_EQ(window->nodeTable().bytesPerBuffer(), 400);
    EXPECT_EQ(window->ioDefinitions().bytesPerBuffer, 400);
}

// Sizes that would take more memory than a port may use, from the file or
// typed into the field, are refused once with a line on standard error; the
// ports and the fields keep the sizes in force.
TEST_F(TickTest, OversizedBuffersAreRefusedOnce) {
    load("Active Input MULTICAST\nInput MultiCastBuffersPerPort 2000000000\n");
    InputsDialog& in = *window->inputsDialog();
    const std::pair<Fl_Value_Input*, double> typed[] = {
        {nullptr, 0}, {in.buffersPerPort, 10000000}, {in.bytesPerBuffer, 65536}};
    const char* const warnings[] = {
        "Warning: 2000000000 buffers of 250 bytes per multicast port would take 1000000000000 "
        "bytes, more than 67108864; keeping 50 buffers of 200 bytes.\n",
        "Warning: 10000000 buffers of 200 bytes per multicast port would take 4000000000 bytes, "
        "more than 67108864; keeping 50 buffers of 200 bytes.\n",
        ""};
    for (size_t i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        if (typed[i].first != nullptr) {
            typed[i].first->value(typed[i].second);
        }
        testing::internal::CaptureStderr();
        tick();
        tick();
        EXPECT_EQ(testing::internal::GetCapturedStderr(), warnings[i]);
    }
    EXPECT_EQ(window->nodeTable().buffersPerPort(), 50);
    EXPECT_EQ(in.buffersPerPort->value(), 50);
    EXPECT_EQ(window->ioDefinitions().buffersPerPort, 50);
    EXPECT_EQ(window->nodeTable().bytesPerBuffer(), 65536); // 6.5 MB: taken
    EXPECT_EQ(window->nodeTable().portAt(0)->receiver().buffersPerPort(), 50);
}

TEST_F(TickTest, LocalStateFileAtItsRateAndNoMoreOften) {
    load("Active Input LOCAL_STATE\nInput LocalStateFile state.txt\n");
    dir.write("state.txt", "<rvx>\n$001,10,20,3,4,1,5.5,a,b,First*\n</rvx>\n");
    advance(1001); // "1 pps": due one period after construction
    tick();
    EXPECT_STREQ(window->nodeTable().findById(1)->name, "First");
    EXPECT_TRUE(window->stateFromFile());

    dir.write("state.txt", "<rvx>\n$001,10,20,3,4,1,5.5,a,b,Second*\n</rvx>\n");
    advance(500);
    tick();
    EXPECT_STREQ(window->nodeTable().findById(1)->name, "First");
    advance(501);
    tick();
    EXPECT_STREQ(window->nodeTable().findById(1)->name, "Second");
}

TEST_F(TickTest, SnapshotsAtTheirRate) {
    load("Active Input MULTICAST\nActive Output LOCAL_STATE\nOutput LocalStateFile snap.txt\n");
    OutputsDialog& out = *window->outputsDialog();
    out.localRate->value(1); // "2 pps"
    out.localRate->do_callback();
    advance(400);
    tick();
    EXPECT_EQ(out.snapshotCount(), 0);
    advance(101);
    tick();
    EXPECT_EQ(out.snapshotCount(), 1);
    EXPECT_STREQ(out.counter->label(), "Frames set: 00000001");
    EXPECT_NE(readAll("snap.txt").find("$003,"), std::string::npos);

    // A rate change moves the next snapshot: "5 pps" is due 0.2 s after the last.
    out.localRate->value(0);
    out.localRate->do_callback();
    advance(201);
    tick();
    EXPECT_EQ(out.snapshotCount(), 2);

    // A snapshot that cannot be written leaves the counter.
    out.setSnapshotFile("no/such/folder/snap.txt");
    advance(201);
    tick();
    EXPECT_EQ(out.snapshotCount(), 2);
    EXPECT_STREQ(out.counter->label(), "Frames set: 00000002");
}

// The GeoJSON output has no widget: only the two lines together switch it on.
TEST_F(TickTest, GeoJsonOutputNeedsBothLines) {
    const struct {
        const char* io;
        bool on;
    } cases[] = {
        {"Active Output GEOJSON\nOutput GeoJsonFile fleet.geojson\n", true},
        {"output geojsonfile fleet.geojson\nactive output geojson\n", true},
        {"Active Output GEOJSON\n", false},
        {"Output GeoJsonFile fleet.geojson\n", false},
        {"Active Output LOCAL_STATE\nOutput LocalStateFile snap.txt\n", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.io);
        load(c.io);
        EXPECT_EQ(window->geoJsonFile().has_value(), c.on);
        // The main window is not shown: only a snapshot output keeps the loop waking.
        EXPECT_EQ(window->waitTime() >= 0.0,
                  c.on || window->outputsDialog()->localSnapshot->value());
        window->outputsDialog()->localSnapshot->value(0);
    }
}

TEST_F(TickTest, GeoJsonAtTheSnapshotRateBesideOrInsteadOfTheStateFile) {
    load("Active Input LOCAL_STATE\nInput LocalStateFile state.txt\n"
         "Active Output GEOJSON\nOutput GeoJsonFile fleet.geojson\n");
    dir.write("state.txt", "<rvx>\n$002,10,20,1800000000,4,1,5.5,a,b,Relayed*\n</rvx>\n");
    OutputsDialog& out = *window->outputsDialog();
    out.localRate->value(1); // "2 pps", for both files
    out.localRate->do_callback();
    advance(400);
    tick();
    EXPECT_EQ(readAll("fleet.geojson"), "");
    advance(601);
    tick(); // reads the state file, then writes what it read as a relay
    const std::string relayed = readAll("fleet.geojson");
    EXPECT_NE(relayed.find(R"("coordinates":[20.0,10.0]},"properties":{"id":2,"name":"Relayed")"),
              std::string::npos)
        << relayed;
    EXPECT_NE(relayed.find(R"("idleStatus":1,"age":5.5)"), std::string::npos) << relayed;
    EXPECT_EQ(out.snapshotCount(), 0); // the counter counts state files

    load("Active Output LOCAL_STATE\nOutput LocalStateFile snap.txt\n"
         "Active Output GEOJSON\nOutput GeoJsonFile fleet2.geojson\n");
    advance(501);
    tick();
    EXPECT_EQ(out.snapshotCount(), 1);
    EXPECT_NE(readAll("snap.txt").find("$003,"), std::string::npos);
    EXPECT_NE(readAll("fleet2.geojson").find(R"("id":3,"name":"Three")"), std::string::npos);
}

} // namespace

namespace {

// Metres along a meridian per degree of latitude, on the alarm's earth.
const double kMetresPerDegree =
    nodes::ProximityAlarm::kEarthRadiusMetres * std::numbers::pi / 180.0;

std::string alarmBoxText(const TN_mapWindow& window) {
    const char* label = window.alarmBox()->label();
    return label != nullptr ? label : "";
}

// Through the tick: the box right of the buttons names the nearest vehicle in alarm, and each
// entry writes one line on standard error (the bell rings with it); off, nothing shows.
TEST_F(TickTest, ProximityAlarmShowsInTheBoxAndWritesEachEntry) {
    testsupport::ZoneGuard zone("UTC");
    load("Active Input MULTICAST\n", "alert alarm on\nalert distance 100\ntarget id 1\n");
    const auto reportNorth = [this](int32_t id, double metres) {
        window->nodeTable().findById(id)->updatePosition(36.0 + metres / kMetresPerDegree, -115.0,
                                                         {}, platform::Clock::now(), "");
    };
    const std::string at = "2023-11-14 22:13:20 ";
    struct Step {
        const char* what;
        double two;
        double three;
        bool alarmOn;
        std::string box;
        std::string lines;
    };
    const Step steps[] = {
        {"both far", 500, 800, true, "", ""},
        {"node 2 within 45 m", 45, 800, true, "ALERT ID002 Two 45 m from ID001",
         at + "ALERT ID002 Two 45 m from ID001\n"},
        {"node 3 nearer", 45, 30, true, "ALERT ID003 Three 30 m from ID001 +1 more",
         at + "ALERT ID003 Three 30 m from ID001\n"},
        {"both stay", 50, 30, true, "ALERT ID003 Three 30 m from ID001 +1 more", ""},
        {"node 3 beyond 110 m", 50, 111, true, "ALERT ID002 Two 50 m from ID001", ""},
        {"switched off", 50, 30, false, "", ""},
        {"on again: both enter anew", 50, 30, true, "ALERT ID003 Three 30 m from ID001 +1 more",
         at + "ALERT ID003 Three 30 m from ID001\n" + at + "ALERT ID002 Two 50 m from ID001\n"},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        reportNorth(1, 0);
        reportNorth(2, step.two);
        reportNorth(3, step.three);
        window->preferences().alertAlarm = step.alarmOn;
        testing::internal::CaptureStderr();
        tick();
        EXPECT_EQ(testing::internal::GetCapturedStderr(), step.lines);
        EXPECT_EQ(alarmBoxText(*window), step.box);
    }
    EXPECT_EQ(window->alarmBox()->labelcolor(), FL_RED);
}

// A display fed by state files: the statuses it reads decide who takes part.
TEST_F(TickTest, ProximityAlarmOnStateFiles) {
    load("Active Input LOCAL_STATE\nInput LocalStateFile state.txt\n",
         "alert alarm on\ntarget id 1\n");
    struct Case {
        int status;
        const char* box;
    };
    for (const Case& c : {Case{1, "ALERT ID002 Two 45 m from ID001"}, Case{2, ""}}) {
        SCOPED_TRACE(c.status);
        dir.write("state.txt", "<rvx>\n$001,36.000000,-115.000000,1000,0,0,0.5,a,b,One*\n"
                               "$002,36.000405,-115.000000,1000,0," +
                                   std::to_string(c.status) + ",0.5,a,b,Two*\n</rvx>\n");
        advance(1001);
        testing::internal::CaptureStderr();
        tick();
        testing::internal::GetCapturedStderr();
        EXPECT_EQ(alarmBoxText(*window), c.box);
    }
}

TEST_F(TickTest, BadAlarmAndTrailValuesWarnAndKeepTheDefaults) {
    testing::internal::CaptureStderr();
    load("Active Input MULTICAST\n", "alert distance -5\ndisplay trail forever\n");
    // The warnings' texts are the preferences reader's; here only that there are two.
    const std::string warnings = testing::internal::GetCapturedStderr();
    EXPECT_EQ(std::count(warnings.begin(), warnings.end(), '\n'), 2) << warnings;
    EXPECT_EQ(window->preferences().alertDistance, 100.0);
    tick();
    EXPECT_EQ(window->nodeTable().trailSpanMs(), 0);
    window->preferences().trailSeconds = 120;
    tick();
    EXPECT_EQ(window->nodeTable().trailSpanMs(), 120000);
}

} // namespace
