// The tick of the main thread and the frame: settings from the dialogs into
// the node table, input from the selected source, close nodes, the proximity
// alarm, snapshots.
#include "app/TN_mapWindow.h"

#include "inputs/GeoJsonSnapshot.h"
#include "platform/Clock.h"
#include "ui/InputsDialog.h"
#include "ui/OutputsDialog.h"
#include "ui/PreferencesDialog.h"

#include <FL/Fl_Box.H>
#include <FL/Fl_Input.H>
#include <FL/Fl_Output.H>
#include <FL/Fl_Round_Button.H>
#include <FL/Fl_Value_Input.H>
#include <FL/fl_ask.H>

#include <climits>
#include <cmath>
#include <cstdio>

namespace app {
namespace {

// A field's value truncated to an integer; what is no number or does not fit
// gives 0, which the table refuses as a size.
int32_t truncated(double value) {
    if (!std::isfinite(value) || value >= INT32_MAX || value <= INT32_MIN) {
        return 0;
    }
    return static_cast<int32_t>(value);
}

} // namespace

void TN_mapWindow::periodicUpdate() {
    InputsDialog& in = *inputsDialog_;
    PreferencesDialog& prefs = *preferencesDialog_;

    int32_t bytes = truncated(in.bytesPerBuffer->value());
    int32_t buffers = truncated(in.buffersPerPort->value());
    if (!nodeTable_->setBufferSizes(bytes, buffers)) {
        // Sizes too large for memory were refused (and said so once): the
        // fields go back to the sizes the ports use, from the file or typed.
        bytes = nodeTable_->bytesPerBuffer();
        buffers = nodeTable_->buffersPerPort();
        in.bytesPerBuffer->value(bytes);
        in.buffersPerPort->value(buffers);
    }
    nodeTable_->setIdleLimits(prefs.mediumIdle->value(), prefs.badIdle->value());
    nodeTable_->setTrailSpan(preferences_->trailSeconds);
    ioDefinitions_.bytesPerBuffer = bytes;
    ioDefinitions_.buffersPerPort = buffers;
    preferences_->mediumIdle = prefs.mediumIdle->value();
    preferences_->badIdle = prefs.badIdle->value();

    applyRemoteResults();
    serviceInput();
    nodeTable_->updateCloseNodes(preferences_->targetId, preferences_->chaseId);
    updateAlarm();
    writeSnapshotIfDue();
    publishRemoteSettings();
}

// The first input switch that is on is serviced. The idle limits matter only
// while packets are the input: a state file brings its own statuses.
void TN_mapWindow::serviceInput() {
    InputsDialog& in = *inputsDialog_;
    PreferencesDialog& prefs = *preferencesDialog_;
    if (in.multicast->value() != 0) {
        prefs.mediumIdle->show();
        prefs.badIdle->show();
        nodeTable_->processPorts();
        stateFromFile_ = false;
        return;
    }
    if (in.localState->value() != 0) {
        prefs.mediumIdle->hide();
        prefs.badIdle->hide();
        if (isEnabled(ActivitySchedule::kLocalStateInput) &&
            isDue(ActivitySchedule::kLocalStateInput)) {
            nodeTable_->readStateFile(in.stateFile->value());
            schedule_.markRun(ActivitySchedule::kLocalStateInput);
            stateFromFile_ = true;
        }
        return;
    }
    if (in.remoteState->value() != 0) {
        prefs.mediumIdle->hide();
        prefs.badIdle->hide();
    }
}

// Every vehicle entering alarm sounds the bell once and is written to standard error; the box
// right of the buttons names the nearest one. Switched off, the alarm keeps nothing, so
// switching it on again sounds for every vehicle already close.
void TN_mapWindow::updateAlarm() {
    if (!preferences_->alertAlarm) {
        alarm_.clear();
    } else {
        const platform::TimeStamp now = platform::Clock::now();
        alarm_.update(*nodeTable_, preferences_->targetId, preferences_->alertDistance, now,
                      stateFromFile_);
        for (const nodes::ProximityAlarm::Contact& contact : alarm_.entered()) {
            fl_beep();
            std::fprintf(stderr, "%s\n", alarm_.entryLine(*nodeTable_, contact, now).c_str());
        }
    }
    std::string text = alarm_.boxText(*nodeTable_);
    if (text == alarmText_) {
        return;
    }
    alarmText_ = std::move(text);
    alarmBox_->copy_label(alarmText_.empty() ? nullptr : alarmText_.c_str());
    alarmBox_->redraw_label();
}

// The snapshots of the state file and of the GeoJSON file are written together, at the
// snapshot's rate. No snapshot name stored means no state file: that write is skipped. The
// counter counts state files only.
void TN_mapWindow::writeSnapshotIfDue() {
    OutputsDialog& out = *outputsDialog_;
    if (!snapshotOutputsOn() || !isDue(ActivitySchedule::kLocalSnapshot)) {
        return;
    }
    const char* name = out.snapshotFileName();
    if (isEnabled(ActivitySchedule::kLocalSnapshot) && name != nullptr &&
        nodeTable_->writeStateFile(name, stateFromFile_)) {
        out.snapshotWritten();
    }
    if (geoJsonFile_) {
        inputs::GeoJsonSnapshot::write(*nodeTable_, geoJsonFile_->c_str(), stateFromFile_);
    }
    schedule_.markRun(ActivitySchedule::kLocalSnapshot);
}

bool TN_mapWindow::snapshotOutputsOn() const {
    return (isEnabled(ActivitySchedule::kLocalSnapshot) || geoJsonFile_.has_value()) &&
           outputsDialog_->snapshotEnabled();
}

// What the remote poll needs, copied for its thread: it never reads a widget.
void TN_mapWindow::publishRemoteSettings() {
    InputsDialog& in = *inputsDialog_;
    RemotePoll::Settings settings;
    settings.enabled = isEnabled(ActivitySchedule::kRemoteStateInput);
    settings.periodTicks = schedule_.period(ActivitySchedule::kRemoteStateInput);
    settings.host = in.remoteHost->value();
    settings.port = truncated(in.remotePort->value());
    settings.path = in.remoteFile->value();
    remotePoll_->publish(settings);
}

// Lines the remote poll fetched are applied here, where the table lives; a
// finished poll marks the states as coming from a file whatever it fetched.
void TN_mapWindow::applyRemoteResults() {
    for (const RemotePoll::Result& result : remotePoll_->takeResults()) {
        nodeTable_->applyStateLines(result.lines);
        stateFromFile_ = true;
    }
}

} // namespace app
