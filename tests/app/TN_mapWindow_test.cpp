// The application object through the real widgets of its dialogs on the virtual X server, on a
// clock that moves only when told to.
#include "app/TN_mapWindow.h"
#include "inputs/MulticastPort.h"
#include "nodes/ProximityAlarm.h"
#include "render/glDrawSurface.h"
#include "ui/InputsDialog.h"
#include "ui/MasterConfigDialog.h"
#include "ui/OutputsDialog.h"
#include "ui/PreferencesDialog.h"

#include "tests/support/FltkEvents.h"
#include "tests/support/GlFrame.h"
#include "tests/support/ManualClockTest.h"
#include "tests/support/TempDir.h"
#include "tests/support/WorkingDirectory.h"
#include "tests/support/ZoneGuard.h"

#include <FL/Fl.H>
#include <FL/Fl_Box.H>
#include <FL/Fl_Check_Button.H>
#include <FL/Fl_Choice.H>
#include <FL/Fl_Double_Window.H>
#include <FL/Fl_Output.H>
#include <FL/Fl_Round_Button.H>
#include <FL/Fl_Value_Input.H>

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <numbers>

namespace {

using app::ActivitySchedule;
using app::TN_mapWindow;

class Window : public testsupport::ManualClockTest {
protected:
    void SetUp() override {
        Fl::lock(); // before the remote poll's thread starts: it calls Fl::awake()
        ManualClockTest::SetUp();
        dir.write("nodes.txt", "3 Three\n7 Seven\n12 Twelve\n");
        dir.write("ports.txt", "fleet 239.255.3.3 25333\n");
    }
    void TearDown() override {
        window.reset();
        ManualClockTest::TearDown();
    }
    // Loads a master file naming `more`, the preferences, nodes, ports and definitions, into
    // the window (made when there is none).
    void load(const std::string& io, const std::string& preferences = "",
              const std::string& more = "") {
        dir.write("io.txt", io);
        dir.write("prefs.txt", preferences);
        dir.write("site.cfg", more + "PreferenceFile prefs.txt\nNodeFile nodes.txt\n"
                                     "PortFile ports.txt\nWWWFile io.txt\n");
        window = window ? std::move(window) : std::make_unique<TN_mapWindow>();
        window->loadMasterConfig("site.cfg");
    }
    void tick(int64_t ms = 0) {
        clock.advanceMs(ms);
        window->sampleClock();
        window->periodicUpdate();
    }
    std::string read(const char* file) { return testsupport::TempDir::read(dir.file(file)); }
    static void press(Fl_Widget* widget, int value) {
        static_cast<Fl_Button*>(widget)->value(value);
        widget->do_callback();
    }

    testsupport::TempDir dir;
    testsupport::WorkingDirectory enter{dir.path()};
    std::unique_ptr<TN_mapWindow> window;
};

// Keys are matched whole ("nodefile" is none), the last wins, a third or a lone word is dropped;
// preferences read before the node file select their vehicles once it loads.
TEST_F(Window, MasterFileFillsTheFieldsAndVehicleChoices) {
    dir.write("prefs.txt", "target id 7\nchase id 12\nprox number 12\n");
    dir.write("site.cfg", "# site\nnodefile ignored.txt\nPreferenceFile prefs.txt\n"
                          "NodeFile nodes.txt\nPortFile ports.txt extra\nMapFile first.map\n"
                          "Lonely\nMapFile second.map\n");
    window = std::make_unique<TN_mapWindow>();
    window->loadMasterConfig("site.cfg");
    EXPECT_EQ(window->nodeTable().fileNodeCount(), 3u);
    EXPECT_EQ(window->nodeTable().portCount(), 1u);
    MasterConfigDialog& m = *window->masterConfigDialog();
    std::string names;
    for (const auto field : {m.kMaster, m.kNodeFile, m.kPortFile, m.kMapFile, m.kWwwFile}) {
        names += std::string(m.name(field)) + "|";
    }
    EXPECT_EQ(names, "site.cfg|nodes.txt|ports.txt|second.map||");
    EXPECT_EQ(window->configFileName(TN_mapWindow::kMapFile).value_or(""), "second.map");

    PreferencesDialog& d = *window->preferencesDialog();
    ASSERT_EQ(d.targetVehicle->size() - 1, 3); // FLTK counts the terminator
    EXPECT_STREQ(d.chaseVehicle->text(2), "ID012");
    ASSERT_EQ(d.closeVehicles->size() - 1, 10);
    EXPECT_STREQ(d.closeVehicles->text(0), "NONE");
    EXPECT_EQ(d.targetVehicle->value(), 1);
    EXPECT_EQ(d.chaseVehicle->value(), 2);
    EXPECT_EQ(window->preferences().proxNumber, 9);
    EXPECT_EQ(d.closeVehicles->value(), 9);
    const config::Preferences& p = window->preferences();
    const struct {
        Fl_Choice* choice;
        int value;
        const int& member;
        int expected;
    } choices[] = {{d.targetVehicle, 2, p.targetId, 12},
                   {d.chaseVehicle, 0, p.chaseId, 3},
                   {d.closeVehicles, 0, p.proxNumber, 0}};
    for (const auto& c : choices) {
        c.choice->value(c.value);
        c.choice->do_callback();
        EXPECT_EQ(c.member, c.expected);
    }
}

// A radio pressed while on stays on; each switch sets its preference; the buttons open their
// dialogs; the window's close request asks the loop to end.
TEST_F(Window, RadiosSwitchesButtonsAndTheCloseRequest) {
    load("");
    PreferencesDialog& d = *window->preferencesDialog();
    const config::Preferences& p = window->preferences();
    EXPECT_EQ(d.trackRoam->value(), 1);
    press(d.trackRoam, 0);
    EXPECT_EQ(d.trackRoam->value(), 1);
    EXPECT_EQ(p.trackMode, 2);
    press(d.trackTarget, 1);
    EXPECT_EQ(p.trackMode, 1);
    EXPECT_EQ(d.trackAll->value() + d.trackRoam->value(), 0);
    press(d.displayTargetGroup, 1);
    EXPECT_EQ(p.displayMode, 1);
    EXPECT_EQ(d.displayAll->value(), 0);
    const std::pair<Fl_Button*, const bool&> switches[] = {{d.targetIcon, p.targetIcon},
                                                           {d.chaseIcon, p.chaseIcon},
                                                           {d.proxIcon, p.proxIcon},
                                                           {d.commentNode, p.commentNode},
                                                           {d.commentPacket1, p.commentPacket1},
                                                           {d.commentPacket2, p.commentPacket2}};
    for (const auto& [button, member] : switches) {
        for (const int on : {1, 0}) {
            press(button, on);
            EXPECT_EQ(member, on == 1) << button->label();
        }
    }

    const std::tuple<void (TN_mapWindow::*)(Fl_Widget*), Fl_Window*, bool> buttons[] = {
        {&TN_mapWindow::files_, window->masterConfigDialog()->window(), true},
        {&TN_mapWindow::graphics_, d.window, true},
        {&TN_mapWindow::graphicsToggle_, d.window, false},
        {&TN_mapWindow::inputs_, window->inputsDialog()->window, true},
        {&TN_mapWindow::outputs_, window->outputsDialog()->window, true}};
    for (const auto& [button, dialog, shown] : buttons) {
        (window.get()->*button)(nullptr);
        EXPECT_EQ(dialog->shown() != 0, shown);
    }
    window->fileChooser_(nullptr);
    EXPECT_FALSE(window->quitRequested());
    window->mainWindow()->do_callback();
    EXPECT_TRUE(window->quitRequested());
}

// The loop waits only for what is on: nothing timed blocks, a shown window draws frames, client
// output that nothing acts on does not wake it.
TEST_F(Window, WaitsOnlyForWhatIsOn) {
    window = std::make_unique<TN_mapWindow>();
    window->loadMasterConfig("absent.cfg");
    EXPECT_EQ(window->nodeTable().fileNodeCount(), 0u);
    EXPECT_LT(window->waitTime(), 0.0);
    for (int slot = 0; slot <= ActivitySchedule::kSlotCount; ++slot) {
        EXPECT_FALSE(window->isEnabled(slot)) << slot;
    }
    window->mainWindow()->show();
    EXPECT_TRUE(testsupport::waitFor([&] { return window->mainWindow()->shown(); }));
    EXPECT_TRUE(window->isEnabled(ActivitySchedule::kFrame));
    const int64_t before = window->schedule().lastRun(ActivitySchedule::kFrame);
    tick(1000);
    EXPECT_TRUE(testsupport::waitFor([&] {
        window->runOnePass();
        return window->schedule().lastRun(ActivitySchedule::kFrame) > before;
    }));
    EXPECT_GE(window->waitTime(), 0.0);
    EXPECT_LE(window->waitTime(), ActivitySchedule::kLongestWait);
    window->mainWindow()->hide();
    window->outputsDialog()->clientSending->value(1);
    EXPECT_TRUE(window->isEnabled(ActivitySchedule::kClientOutput));
    EXPECT_LT(window->waitTime(), 0.0);
}

TEST_F(Window, AFailedRemoteFetchStillMarksStatesFromAFile) {
    platform::Clock::setSource(nullptr); // the poll's timer thread runs on real time
    load("Active Input REMOTE_STATE\nInput RemoteIp 127.0.0.1\nInput RemotePort 1\n"
         "Input RemoteStateFile /state.txt\n");   // nobody listens on port 1
    window->inputsDialog()->remoteRate->value(0); // "1 spp"
    window->recomputePeriods(nullptr);
    window->armRemoteTimer();
    const uint32_t firstTimer = window->remotePoll().timerId();
    ASSERT_NE(firstTimer, 0u);
    EXPECT_TRUE(testsupport::waitFor(
        [&] {
            window->periodicUpdate();
            return window->stateFromFile() && window->remotePoll().timerId() != firstTimer;
        },
        20.0));
}

// The definitions file sets the dialogs (names are read back by the files' test); idle fields show
// only for packets; a buffer size change rebuilds the ports once; sizes beyond a port's memory,
// from the file or typed, are refused once with a line and the sizes in force kept.
TEST_F(Window, DefinitionsAndBufferSizes) {
    load("active input local_state\nInput LocalStateFile in.txt\nActive Output LOCAL_STATE\n"
         "Output LocalStateFile out/snap.txt\nInput MultiCastBytesPerBuffer 300\n"
         "Input RemotePort 8080x\n");
    InputsDialog& in = *window->inputsDialog();
    PreferencesDialog& prefs = *window->preferencesDialog();
    EXPECT_EQ(in.localState->value() - in.multicast->value(), 1);
    EXPECT_EQ(in.remotePort->value(), 8080);
    for (Fl_Round_Button* mode : {in.localState, in.remoteState, in.multicast}) {
        for (Fl_Round_Button* other : {in.localState, in.remoteState, in.multicast}) {
            other->value(other == mode);
        }
        tick();
        EXPECT_EQ(prefs.mediumIdle->visible() && prefs.badIdle->visible(), mode == in.multicast);
    }
    EXPECT_EQ(window->nodeTable().bytesPerBuffer(), 300);
    const uint32_t rebuilds = window->nodeTable().portRebuildCount();
    in.bytesPerBuffer->value(400);
    tick();
    tick();
    EXPECT_EQ(window->nodeTable().portRebuildCount(), rebuilds + 1);
    EXPECT_EQ(window->ioDefinitions().bytesPerBuffer, 400);

    window.reset();
    load("Active Input MULTICAST\nInput MultiCastBuffersPerPort 2000000000\n");
    InputsDialog& again = *window->inputsDialog();
    const std::pair<Fl_Value_Input*, double> typed[] = {
        {nullptr, 0}, {again.buffersPerPort, 10000000}, {again.bytesPerBuffer, 65536}};
    const char* const warnings[] = {
        "Warning: 2000000000 buffers of 250 bytes per multicast port would take 1000000000000 "
        "bytes, more than 67108864; keeping 50 buffers of 200 bytes.\n",
        "Warning: 10000000 buffers of 200 bytes per multicast port would take 4000000000 bytes, "
        "more than 67108864; keeping 50 buffers of 200 bytes.\n",
        ""};
    for (std::size_t i = 0; i < 3; ++i) {
        if (typed[i].first != nullptr) {
            typed[i].first->value(typed[i].second);
        }
        testing::internal::CaptureStderr();
        tick();
        tick();
        EXPECT_EQ(testing::internal::GetCapturedStderr(), warnings[i]) << i;
    }
    EXPECT_EQ(again.buffersPerPort->value(), 50);
    EXPECT_EQ(window->ioDefinitions().buffersPerPort, 50);
    EXPECT_EQ(window->nodeTable().bytesPerBuffer(), 65536); // 6.5 MB: taken
    EXPECT_EQ(window->nodeTable().portAt(0)->receiver().buffersPerPort(), 50);
}

// State files are read at their rate and no more often; snapshots at theirs, a rate change
// moving the next one, a failed write leaving the counter; the GeoJSON file (on only with both
// its lines) at the snapshot rate, beside or instead of the state file.
TEST_F(Window, FilesInAndOutAtTheirRates) {
    for (const auto& [io, on] : {std::pair{"Active Output GEOJSON\nOutput GeoJsonFile f\n", true},
                                 {"output geojsonfile f\nactive output geojson\n", true},
                                 {"Active Output GEOJSON\n", false},
                                 {"Output GeoJsonFile f\n", false}}) {
        window.reset();
        load(io);
        EXPECT_EQ(window->geoJsonFile().has_value(), on) << io;
        EXPECT_EQ(window->waitTime() >= 0.0, on) << io; // the window is not shown
    }

    window.reset();
    load("Active Input LOCAL_STATE\nInput LocalStateFile state.txt\n"
         "Active Output GEOJSON\nOutput GeoJsonFile fleet.geojson\n");
    OutputsDialog& out = *window->outputsDialog();
    out.localRate->value(1); // "2 pps", for both files
    out.localRate->do_callback();
    dir.write("state.txt", "<rvx>\n$007,10,20,1800000000,4,1,5.5,a,b,First*\n</rvx>\n");
    tick(400);
    EXPECT_EQ(read("fleet.geojson"), "");
    tick(601); // "1 pps": the state file is due, then the GeoJSON file writes what it read
    EXPECT_STREQ(window->nodeTable().findById(7)->name, "First");
    EXPECT_TRUE(window->stateFromFile());
    const std::string relayed = read("fleet.geojson");
    EXPECT_NE(relayed.find(R"("coordinates":[20.0,10.0]},"properties":{"id":7,"name":"First")"),
              std::string::npos)
        << relayed;
    EXPECT_NE(relayed.find(R"("idleStatus":1,"age":5.5)"), std::string::npos) << relayed;
    dir.write("state.txt", "<rvx>\n$007,10,20,1800000000,4,1,5.5,a,b,Second*\n</rvx>\n");
    tick(500);
    EXPECT_STREQ(window->nodeTable().findById(7)->name, "First");
    tick(501);
    EXPECT_STREQ(window->nodeTable().findById(7)->name, "Second");
    EXPECT_EQ(out.snapshotCount(), 0); // the counter counts state files

    load("Active Output LOCAL_STATE\nOutput LocalStateFile snap.txt\n"
         "Active Output GEOJSON\nOutput GeoJsonFile fleet2.geojson\n");
    tick(501);
    EXPECT_EQ(out.snapshotCount(), 1);
    EXPECT_STREQ(out.counter->label(), "Frames set: 00000001");
    EXPECT_NE(read("snap.txt").find("$012,"), std::string::npos);
    EXPECT_NE(read("fleet2.geojson").find(R"("id":12,"name":"Twelve")"), std::string::npos);
    out.localRate->value(0); // "5 pps": due 0.2 s after the last
    out.localRate->do_callback();
    tick(201);
    EXPECT_EQ(out.snapshotCount(), 2);
    out.setSnapshotFile("no/such/folder/snap.txt");
    tick(201);
    EXPECT_STREQ(out.counter->label(), "Frames set: 00000002");
}

// The box right of the buttons names the nearest vehicle in alarm, and each entry writes one
// line on standard error; off, nothing shows. Fed by state files, their statuses decide.
TEST_F(Window, ProximityAlarmInTheBoxAndOnStandardError) {
    testsupport::ZoneGuard zone("UTC");
    load("Active Input MULTICAST\n", "alert alarm on\nalert distance 100\ntarget id 3\n");
    const double metresPerDegree =
        nodes::ProximityAlarm::kEarthRadiusMetres * std::numbers::pi / 180.0;
    const auto north = [&](int32_t id, double metres) {
        window->nodeTable().findById(id)->updatePosition(36.0 + metres / metresPerDegree, -115.0,
                                                         {}, platform::Clock::now(), "");
    };
    const auto box = [&] {
        const char* label = window->alarmBox()->label();
        return std::string(label != nullptr ? label : "");
    };
    const std::string at = "2023-11-14 22:13:20 ";
    const std::string seven = "ALERT ID007 Seven 45 m from ID003";
    const std::string twelve = "ALERT ID012 Twelve 30 m from ID003";
    const std::string seven50 = "ALERT ID007 Seven 50 m from ID003";
    const struct {
        double seven, twelve;
        bool on;
        std::string box, lines;
    } steps[] = {
        {500, 800, true, "", ""},
        {45, 800, true, seven, at + seven + "\n"},
        {45, 30, true, twelve + " +1 more", at + twelve + "\n"},
        {50, 30, true, twelve + " +1 more", ""},
        {50, 111, true, seven50, ""}, // beyond 110 m: left
        {50, 30, false, "", ""},
        {50, 30, true, twelve + " +1 more", at + twelve + "\n" + at + seven50 + "\n"},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.box);
        north(3, 0);
        north(7, step.seven);
        north(12, step.twelve);
        window->preferences().alertAlarm = step.on;
        testing::internal::CaptureStderr();
        tick();
        EXPECT_EQ(testing::internal::GetCapturedStderr(), step.lines);
        EXPECT_EQ(box(), step.box);
    }
    EXPECT_EQ(window->alarmBox()->labelcolor(), FL_RED);

    window.reset();
    load("Active Input LOCAL_STATE\nInput LocalStateFile state.txt\n",
         "alert alarm on\ntarget id 3\n");
    for (const auto& [status, text] : {std::pair{1, seven}, {2, std::string()}}) {
        dir.write("state.txt", "<rvx>\n$003,36.000000,-115.000000,1000,0,0,0.5,a,b,Three*\n"
                               "$007,36.000405,-115.000000,1000,0," +
                                   std::to_string(status) + ",0.5,a,b,Seven*\n</rvx>\n");
        testing::internal::CaptureStderr();
        tick(1001);
        testing::internal::GetCapturedStderr();
        EXPECT_EQ(box(), text) << status;
    }
}

// One frame: a netpbm map image, the default icon (green) and node 7's own (blue, though the
// node file comes after the icons), node 7's trail from (-115.2, 35) under the target's icon,
// and node 12 outside the map, 100 km from the target: within the alert distance, in the ring.
TEST_F(Window, FrameOfMapIconsTrailAndAlarmRing) {
    ASSERT_EQ(std::system(("ppmmake red 64 32 | pnmtosgi > '" + dir.file("map.sgi") + "'").c_str()),
              0);
    dir.write("map.cfg", "map.sgi -115.5 -114.5 34.5 35.5 0.5 10\n");
    dir.write("icons.cfg", "Default none.sgi 4 4 4 0 1 0 0 1 0 0 1 0 off\n"
                           "Ic7 none.sgi 4 4 4 0 0 1 0 0 1 0 0 1 off\n");
    clock.setCounter(100000); // the first quarter second: the ring at full strength
    load("",
         "target id 3\ntrack mode roam\nalert alarm on\nalert distance 150000\n"
         "display trail 120\ncomment node off\ncomment mcPacket1 off\ncomment mcPacket2 off\n",
         "NodeDefFile icons.cfg\nMapFile map.cfg\n");
    window->periodicUpdate(); // the preferences reach the table
    for (const auto& [id, x, y, seconds] : {std::tuple{3, -115.0, 35.0, 1060},
                                            {12, -114.3, 34.3, 1060},
                                            {7, -115.2, 35.0, 1000},
                                            {7, -114.8, 35.0, 1060}}) {
        platform::TimeStamp time;
        time.time = seconds;
        window->nodeTable().findById(id)->updatePosition(y, x, {}, time, "");
    }
    rendertest::FramePixels pixels;
    struct Drawn {
        rendertest::FramePixels& pixels;
        bool done = false;
    } drawn{pixels};
    window->surface()->addDrawCallback(
        [](void* self, DrawContext& context) {
            auto* d = static_cast<Drawn*>(self);
            d->pixels.readBack(static_cast<int>(context.width), static_cast<int>(context.height));
            d->done = true;
        },
        &drawn);
    window->mainWindow()->show();
    ASSERT_TRUE(testsupport::waitFor([&] {
        window->surface()->redraw();
        return drawn.done;
    }));
    const double pixel = window->view()->viewWidthNow() / window->view()->pixelWidth();
    const struct {
        const char* what;
        double x, y;
        int r, g, b;
    } probes[] = {
        {"node 3's icon over the trail", -115.0, 35.0, 0, 255, 0},
        {"node 7's icon at the trail's end", -114.8, 35.0, 0, 0, 255},
        {"the map", -115.3, 34.7, 255, 0, 0},
        {"outside the map", -115.8, 35.8, 0, 102, 128},
        {"node 12's icon outside the map", -114.3, 34.3, 0, 255, 0},
        {"the ring outside node 12's 4 % icon", -114.3 + 0.047, 34.3, 255, 0, 0},
        // Alpha 0.875 blue, 15 s old of 120, over the casing (black at half that) over red.
        {"the trail", -114.9, 35.0, 18, 0, 223},
    };
    for (const auto& p : probes) {
        bool found = false;
        for (int dy = -2; dy <= 2 && !found; ++dy) { // the trail is a line a few pixels wide
            found = rendertest::near(pixels.atWorld(*window->view(), p.x, p.y + dy * pixel), p.r,
                                     p.g, p.b, 4);
        }
        EXPECT_TRUE(found) << p.what;
    }
    // 0.2 degrees of longitude at 35 degrees north: 18 217.1 m (from the chord).
    EXPECT_STREQ(window->alarmBox()->label(), "ALERT ID007 Seven 18217 m from ID003 +1 more");
}

} // namespace
