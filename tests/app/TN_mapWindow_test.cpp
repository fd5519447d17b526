// The application object in a real X server (the tests run under xvfb-run).
#include "app/TN_mapWindow.h"
#include "render/MapView.h"
#include "ui/InputsDialog.h"
#include "ui/MasterConfigDialog.h"
#include "ui/OutputsDialog.h"
#include "ui/PreferencesDialog.h"

#include "tests/support/FltkLocked.h"
#include "tests/support/TempDir.h"
#include "tests/support/WorkingDirectory.h"

#include <FL/Fl.H>
#include <FL/Fl_Check_Button.H>
#include <FL/Fl_Choice.H>
#include <FL/Fl_Double_Window.H>
#include <FL/Fl_Input.H>
#include <FL/Fl_Round_Button.H>
#include <FL/Fl_Value_Input.H>

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

using app::ActivitySchedule;
using app::TN_mapWindow;

class TN_mapWindowTest : public ::testing::Test {
protected:
    // Names inside the configuration are relative to the working directory,
    // which the entry point makes the configuration's folder.
    void SetUp() override {
        enterDir = std::make_unique<testsupport::WorkingDirectory>(dir.path());
    }
    void TearDown() override { enterDir.reset(); }

    std::string master(const std::string& content) {
        dir.write("nodes.txt", "3 Three\n7 Seven\n12 Twelve\n");
        dir.write("ports.txt", "fleet 239.255.1.1 25000\n");
        return dir.write("site.cfg", content);
    }
    const char* field(MasterConfigDialog::NameField which) {
        return window->masterConfigDialog()->name(which);
    }

    testsupport::TempDir dir;
    std::unique_ptr<testsupport::WorkingDirectory> enterDir;
    std::unique_ptr<TN_mapWindow> window = std::make_unique<TN_mapWindow>();
};

// Keys are matched whole and in any case ("nodefile" is no key), the last of a key wins, a third
// word or a lone word is dropped; no file, or one that is missing, names nothing.
TEST_F(TN_mapWindowTest, MasterConfigurationKeys) {
    using D = MasterConfigDialog;
    const struct {
        const char* content; // "" for no configuration at all
        size_t nodes, ports;
        const char *nodeField, *portField, *mapField;
    } cases[] = {
        {"# site\nnodefile ignored.txt\nNodeFile nodes.txt\nPortFile ports.txt extra\n"
         "MapFile first.map\nLonely\nMapFile second.map\n",
         3, 1, "nodes.txt", "ports.txt", "second.map"},
        {"MapFile only.map\n", 0, 0, "", "", "only.map"},
        {"", 0, 0, "", "", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.content);
        window.reset();
        window = std::make_unique<TN_mapWindow>();
        const std::string path = master(c.content);
        window->loadMasterConfig(c.content[0] == '\0' ? nullptr : path.c_str());
        EXPECT_EQ(window->nodeTable().fileNodeCount(), c.nodes);
        EXPECT_EQ(window->nodeTable().portCount(), c.ports);
        EXPECT_STREQ(field(D::kMaster), c.content[0] == '\0' ? "" : path.c_str());
        EXPECT_STREQ(field(D::kNodeFile), c.nodeField);
        EXPECT_STREQ(field(D::kPortFile), c.portField);
        EXPECT_STREQ(field(D::kMapFile), c.mapField);
        EXPECT_STREQ(field(D::kWwwFile), "");
        EXPECT_EQ(window->configFileName(TN_mapWindow::kMapFile).value_or(""), c.mapField);
    }
    window->loadMasterConfig(dir.file("absent.cfg").c_str());
    EXPECT_EQ(window->nodeTable().fileNodeCount(), 0u);
}

TEST_F(TN_mapWindowTest, VehicleChoicesFollowTheNodeFile) {
    const std::string path = master("PreferenceFile prefs.txt\nNodeFile nodes.txt\n");
    dir.write("prefs.txt", "target id 7\nchase id 12\nprox number 12\n");
    window->loadMasterConfig(path.c_str());
    PreferencesDialog& d = *window->preferencesDialog();
    ASSERT_EQ(d.targetVehicle->size() - 1, 3); // FLTK counts the terminator
    EXPECT_STREQ(d.targetVehicle->text(0), "ID003");
    EXPECT_STREQ(d.chaseVehicle->text(2), "ID012");
    ASSERT_EQ(d.closeVehicles->size() - 1, 10);
    EXPECT_STREQ(d.closeVehicles->text(0), "NONE");
    EXPECT_STREQ(d.closeVehicles->text(9), "9");
    // The preferences read before the node file select their vehicles once it loads.
    EXPECT_EQ(d.targetVehicle->value(), 1);
    EXPECT_EQ(d.chaseVehicle->value(), 2);
    EXPECT_EQ(window->preferences().proxNumber, 9);
    EXPECT_EQ(d.closeVehicles->value(), 9);

    d.targetVehicle->value(2);
    d.targetVehicle->do_callback();
    EXPECT_EQ(window->preferences().targetId, 12);
    d.chaseVehicle->value(0);
    d.chaseVehicle->do_callback();
    EXPECT_EQ(window->preferences().chaseId, 3);
    d.closeVehicles->value(0);
    d.closeVehicles->do_callback();
    EXPECT_EQ(window->preferences().proxNumber, 0); // "NONE"
}

TEST_F(TN_mapWindowTest, RadiosKeepOneOnAndSwitchesFollowTheirButtons) {
    PreferencesDialog& d = *window->preferencesDialog();
    EXPECT_EQ(d.trackRoam->value(), 1); // the record's roam, shown at start
    // A press while on turns the button off; its command turns it on again.
    d.trackRoam->value(0);
    d.trackRoam->do_callback();
    EXPECT_EQ(d.trackRoam->value(), 1);
    EXPECT_EQ(window->preferences().trackMode, 2);
    d.trackTarget->value(1);
    d.trackTarget->do_callback();
    EXPECT_EQ(window->preferences().trackMode, 1);
    EXPECT_EQ(d.trackAll->value() + d.trackRoam->value(), 0);
    d.displayTargetGroup->value(1);
    d.displayTargetGroup->do_callback();
    EXPECT_EQ(window->preferences().displayMode, 1);
    EXPECT_EQ(d.displayAll->value(), 0);

    const config::Preferences& p = window->preferences();
    const struct {
        Fl_Button* button;
        const bool& value;
    } switches[] = {{d.targetIcon, p.targetIcon},
                    {d.chaseIcon, p.chaseIcon},
                    {d.proxIcon, p.proxIcon},
                    {d.commentNode, p.commentNode},
                    {d.commentPacket1, p.commentPacket1},
                    {d.commentPacket2, p.commentPacket2}};
    for (const auto& s : switches) {
        for (const int on : {1, 0}) {
            s.button->value(on);
            s.button->do_callback();
            EXPECT_EQ(s.value, on == 1) << s.button->label();
        }
    }
}

TEST_F(TN_mapWindowTest, ButtonsAndCloseRequests) {
    window->files_(nullptr);
    EXPECT_TRUE(window->masterConfigDialog()->window()->shown());
    window->graphics_(nullptr);
    EXPECT_TRUE(window->preferencesDialog()->window->shown());
    window->graphicsToggle_(nullptr);
    EXPECT_FALSE(window->preferencesDialog()->window->shown());
    window->inputs_(nullptr);
    EXPECT_TRUE(window->inputsDialog()->window->shown());
    window->outputs_(nullptr);
    EXPECT_TRUE(window->outputsDialog()->window->shown());
    window->fileChooser_(nullptr);
    EXPECT_FALSE(window->quitRequested());
    window->mainWindow()->do_callback(); // the window's close request
    EXPECT_TRUE(window->quitRequested());
}

TEST_F(TN_mapWindowTest, WaitsOnlyForWhatIsOn) {
    window->loadMasterConfig(nullptr);
    EXPECT_FALSE(window->isEnabled(ActivitySchedule::kFrame));
    EXPECT_LT(window->waitTime(), 0.0); // nothing timed: the loop blocks
    window->mainWindow()->show();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!window->mainWindow()->shown() && std::chrono::steady_clock::now() < deadline) {
        Fl::wait(0.05);
    }
    EXPECT_TRUE(window->isEnabled(ActivitySchedule::kFrame));
    const int64_t before = window->schedule().lastRun(ActivitySchedule::kFrame);
    while (window->schedule().lastRun(ActivitySchedule::kFrame) == before &&
           std::chrono::steady_clock::now() < deadline) {
        window->runOnePass();
    }
    EXPECT_GT(window->schedule().lastRun(ActivitySchedule::kFrame), before);
    EXPECT_GE(window->waitTime(), 0.0);
    EXPECT_LE(window->waitTime(), ActivitySchedule::kLongestWait);
    // Before any definitions file no input or output is on.
    for (int slot = 1; slot < ActivitySchedule::kSlotCount; ++slot) {
        EXPECT_FALSE(window->isEnabled(slot)) << slot;
    }
    EXPECT_FALSE(window->isEnabled(7));
    // Client output is switched on but nothing acts on it: it does not wait.
    window->mainWindow()->hide();
    window->outputsDialog()->clientSending->value(1);
    EXPECT_TRUE(window->isEnabled(ActivitySchedule::kClientOutput));
    EXPECT_LT(window->waitTime(), 0.0);
}

TEST_F(TN_mapWindowTest, AFailedRemoteFetchStillMarksStatesFromAFile) {
    InputsDialog& in = *window->inputsDialog();
    in.multicast->value(0);
    in.remoteState->value(1);
    in.remoteHost->value("127.0.0.1");
    in.remotePort->value(1); // nobody listens there: the fetch fails at once
    in.remoteFile->value("/state.txt");
    in.remoteRate->value(0); // "1 spp"
    window->recomputePeriods(nullptr);
    window->armRemoteTimer();
    const uint32_t firstTimer = window->remotePoll().timerId();
    ASSERT_NE(firstTimer, 0u);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while ((!window->stateFromFile() || window->remotePoll().timerId() == firstTimer) &&
           std::chrono::steady_clock::now() < deadline) {
        Fl::wait(0.05);
        window->periodicUpdate();
    }
    EXPECT_TRUE(window->stateFromFile());
    EXPECT_NE(window->remotePoll().timerId(), firstTimer); // armed again after the failure
}

} // namespace
