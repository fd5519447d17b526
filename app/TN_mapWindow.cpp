// The application object: construction and shutdown, the run loop and the
// remote poll's hand-off. The commands, the configuration loaders and the
// tick live in TN_mapWindowCommands.cpp, TN_mapWindowConfig.cpp and
// TN_mapWindowUpdate.cpp.
#include "app/TN_mapWindow.h"

#include "app/BuildStamp.h"
#include "render/MapView.h"
#include "render/glDrawSurface.h"
#include "ui/InputsDialog.h"
#include "ui/MainWindow.h"
#include "ui/MasterConfigDialog.h"
#include "ui/OutputsDialog.h"
#include "ui/PreferencesDialog.h"
#include "ui/Trampoline.h"

#include <FL/Fl.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Check_Button.H>
#include <FL/Fl_Choice.H>
#include <FL/Fl_Double_Window.H>
#include <FL/Fl_Round_Button.H>

#include <cstdio>

namespace app {

const char* const TN_mapWindow::kTitleFormat = "Tarnell Map App Version 0.10 - %s";

TN_mapWindow::TN_mapWindow()
    : rateChoices_{{{ActivitySchedule::kFrame, &RateTable::frames(), 4, nullptr},
                    {ActivitySchedule::kLocalStateInput, &RateTable::fast(), 2, nullptr},
                    {ActivitySchedule::kRemoteStateInput, &RateTable::slow(), 3, nullptr},
                    {ActivitySchedule::kClientInput, &RateTable::slow(), 3, nullptr},
                    {ActivitySchedule::kLocalSnapshot, &RateTable::fast(), 2, nullptr},
                    {ActivitySchedule::kClientOutput, &RateTable::fast(), 2, nullptr}}} {
    Fl::visual(FL_DOUBLE);

    const ui::MainWindowWidgets widgets = ui::MainWindow::build();
    mainWindow_ = widgets.window;
    surface_ = widgets.surface;
    graphicsButton_ = widgets.graphics;
    filesButton_ = widgets.files;
    inputsButton_ = widgets.inputs;
    outputsButton_ = widgets.outputs;
    alarmBox_ = widgets.alarm;
    char title[128];
    std::snprintf(title, sizeof title, kTitleFormat, BuildStamp::text().c_str());
    title_ = title;
    mainWindow_->label(title_.c_str());

    surface_->mode(FL_DOUBLE | FL_RGB);

    view_ = std::make_unique<MapView>();
    view_->setCenter(-115.0, 35.0);
    view_->setViewWidth(2.0);
    surface_->attachView(view_.get());
    mapLayers_ = std::make_unique<render::MapLayerList>();
    nodeGraphics_ = std::make_unique<render::NodeGraphicsSet>();

    nodeTable_ = std::make_unique<nodes::NodeTable>(250, 20);
    // Receivers wake the loop when their queue goes from empty to non-empty,
    // so a packet is handled at the next pass even while the loop blocks.
    nodeTable_->setPacketsWaitingCallback([] { Fl::awake(); });
    nodeTable_->setIdleLimits(defaultMediumIdle_, defaultBadIdle_);
    nodeTable_->setBytesPerBuffer(defaultBytesPerBuffer_);
    nodeTable_->setBuffersPerPort(defaultBuffersPerPort_);

    surface_->addDrawCallback(&TN_mapWindow::drawFrameCallback, this);

    createDialogs();
    bindCallbacks();
    fillRateChoices();
    // The dialog shows the record from the start, so the idle fields hold the
    // record's limits rather than 0, which would make every node bad idle.
    showPreferences();

    remotePoll_ = std::make_unique<RemotePoll>(
        schedule_.frequency(), schedule_.lastRun(ActivitySchedule::kRemoteStateInput),
        [] { Fl::awake(); });
}

// The remote poll ends first, so no fetch outlives the table it feeds; the
// node table then stops its receivers. The windows are destroyed here too,
// once nothing can draw into them any more.
TN_mapWindow::~TN_mapWindow() {
    mainWindow_->hide();
    remotePoll_->stop();
    nodeTable_.reset();
    preferencesDialog_->window->hide();
    delete preferencesDialog_;
    preferences_.reset();
    surface_->attachView(nullptr);
    view_.reset();
    delete inputsDialog_;
    delete outputsDialog_;
    delete masterConfigDialog_;
    delete mainWindow_;
}

void TN_mapWindow::createDialogs() {
    preferences_ = std::make_unique<config::Preferences>();
    preferencesDialog_ = new PreferencesDialog();
    inputsDialog_ = new InputsDialog();
    outputsDialog_ = new OutputsDialog();
    masterConfigDialog_ = new MasterConfigDialog();
    rateChoices_[0].choice = preferencesDialog_->frameRate;
    rateChoices_[1].choice = inputsDialog_->localRate;
    rateChoices_[2].choice = inputsDialog_->remoteRate;
    rateChoices_[3].choice = inputsDialog_->clientRate;
    rateChoices_[4].choice = outputsDialog_->localRate;
    rateChoices_[5].choice = outputsDialog_->clientRate;
}

void TN_mapWindow::bindCallbacks() {
    using ui::trampoline;
    mainWindow_->callback(trampoline<TN_mapWindow, &TN_mapWindow::menuWindow_>, this);
    graphicsButton_->callback(trampoline<TN_mapWindow, &TN_mapWindow::graphics_>, this);
    filesButton_->callback(trampoline<TN_mapWindow, &TN_mapWindow::files_>, this);
    inputsButton_->callback(trampoline<TN_mapWindow, &TN_mapWindow::inputs_>, this);
    outputsButton_->callback(trampoline<TN_mapWindow, &TN_mapWindow::outputs_>, this);
    bindPreferenceWidgets();
    for (const RateChoice& rate : rateChoices_) {
        rate.choice->callback(trampoline<TN_mapWindow, &TN_mapWindow::recomputePeriods>, this);
    }
}

void TN_mapWindow::bindPreferenceWidgets() {
    using ui::trampoline;
    PreferencesDialog& d = *preferencesDialog_;
    d.targetIcon->callback(trampoline<TN_mapWindow, &TN_mapWindow::targetIcon_>, this);
    d.targetVehicle->callback(trampoline<TN_mapWindow, &TN_mapWindow::targetVehicle_>, this);
    d.chaseIcon->callback(trampoline<TN_mapWindow, &TN_mapWindow::chaseIcon_>, this);
    d.chaseVehicle->callback(trampoline<TN_mapWindow, &TN_mapWindow::chaseVehicle_>, this);
    d.proxIcon->callback(trampoline<TN_mapWindow, &TN_mapWindow::closeIcon_>, this);
    d.closeVehicles->callback(trampoline<TN_mapWindow, &TN_mapWindow::closeVehicles_>, this);
    d.trackAll->callback(trampoline<TN_mapWindow, &TN_mapWindow::trackAll_>, this);
    d.trackTarget->callback(trampoline<TN_mapWindow, &TN_mapWindow::trackTarget_>, this);
    d.trackRoam->callback(trampoline<TN_mapWindow, &TN_mapWindow::trackRoam_>, this);
    d.displayAll->callback(trampoline<TN_mapWindow, &TN_mapWindow::displayAll_>, this);
    d.displayTargetGroup->callback(trampoline<TN_mapWindow, &TN_mapWindow::displayTargetGroup_>,
                                   this);
    d.commentNode->callback(trampoline<TN_mapWindow, &TN_mapWindow::commentNode_>, this);
    d.commentPacket1->callback(trampoline<TN_mapWindow, &TN_mapWindow::commentPacket1_>, this);
    d.commentPacket2->callback(trampoline<TN_mapWindow, &TN_mapWindow::commentPacket2_>, this);
}

void TN_mapWindow::fillRateChoices() {
    for (const RateChoice& rate : rateChoices_) {
        rate.choice->clear();
        for (size_t row = 0; row < rate.table->size(); ++row) {
            // Labels hold no "/" or "&", so FLTK's menu syntax leaves them whole.
            rate.choice->add(rate.table->label(row));
        }
        rate.choice->value(rate.defaultRow);
    }
}

bool TN_mapWindow::isEnabled(int slot) const {
    switch (slot) {
    case ActivitySchedule::kFrame:
        return mainWindow_->visible() && mainWindow_->active() && mainWindow_->shown();
    case ActivitySchedule::kMulticastInput:
        return inputsDialog_->multicast->value() != 0;
    case ActivitySchedule::kLocalStateInput:
        return inputsDialog_->localState->value() != 0;
    case ActivitySchedule::kRemoteStateInput:
        return inputsDialog_->remoteState->value() != 0;
    case ActivitySchedule::kClientInput:
        return inputsDialog_->client->value() != 0;
    case ActivitySchedule::kLocalSnapshot:
        return outputsDialog_->localSnapshot->value() != 0;
    case ActivitySchedule::kClientOutput:
        return outputsDialog_->clientSending->value() != 0;
    default:
        return false;
    }
}

double TN_mapWindow::waitTime() const {
    // Only slots the loop acts on count: the remote poll keeps its own timer
    // and wakes the loop when it has something, and a slot that nothing
    // advances (client input and output, snapshots while they are disabled)
    // would stay due for ever and turn the wait into a busy spin.
    std::array<bool, ActivitySchedule::kSlotCount> waitingOn{};
    waitingOn[ActivitySchedule::kFrame] = isEnabled(ActivitySchedule::kFrame);
    waitingOn[ActivitySchedule::kLocalStateInput] = isEnabled(ActivitySchedule::kLocalStateInput);
    waitingOn[ActivitySchedule::kLocalSnapshot] = snapshotOutputsOn();
    return schedule_.waitSeconds(waitingOn);
}

double TN_mapWindow::runOnePass() {
    sampleClock();
    periodicUpdate();
    if (isEnabled(ActivitySchedule::kFrame) && isDue(ActivitySchedule::kFrame)) {
        surface_->redraw();
    }
    const double wait = waitTime();
    if (wait < 0) {
        Fl::wait();
    } else {
        Fl::wait(wait);
    }
    return wait;
}

int TN_mapWindow::run() {
    mainWindow_->show();
    surface_->show();
    nodeTable_->startPorts();
    armRemoteTimer();
    preferencesDialog_->window->show();
    while (!quitRequested_) {
        runOnePass();
    }
    return 0;
}

void TN_mapWindow::armRemoteTimer() {
    publishRemoteSettings();
    remotePoll_->arm();
}

void TN_mapWindow::recomputePeriods(Fl_Widget* /*widget*/) {
    for (const RateChoice& rate : rateChoices_) {
        const int row = rate.choice != nullptr ? rate.choice->value() : rate.defaultRow;
        schedule_.setPeriodSeconds(rate.slot, rate.table->seconds(row));
    }
}

} // namespace app
