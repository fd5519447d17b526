#include "ui/OutputsDialog.h"

#include "ui/DialogParts.h"
#include "ui/Trampoline.h"

#include <FL/Fl_Box.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Check_Button.H>
#include <FL/Fl_Choice.H>
#include <FL/Fl_Double_Window.H>
#include <FL/Fl_File_Chooser.H>
#include <FL/Fl_Group.H>
#include <FL/Fl_Input.H>
#include <FL/Fl_Light_Button.H>
#include <FL/Fl_Output.H>
#include <FL/Fl_Pack.H>
#include <FL/Fl_Value_Input.H>

#include <array>
#include <cstdio>

namespace {

template <void (OutputsDialog::*Operation)(Fl_Widget*)>
void bind(Fl_Widget* widget, OutputsDialog* dialog) {
    widget->callback(ui::trampoline<OutputsDialog, Operation>, dialog);
}

void snapshotTaken(void* dialog, const char* path) {
    static_cast<OutputsDialog*>(dialog)->snapshotChosen(path);
}

Fl_Check_Button* outputButton(int y, const char* label) {
    Fl_Check_Button* button = new Fl_Check_Button(10, y, 25, 25, label);
    button->align(FL_ALIGN_RIGHT);
    return button;
}

void copyLabel(char (&buffer)[OutputsDialog::labelSize], const char* text) {
    std::snprintf(buffer, sizeof buffer, "%s", text != nullptr ? text : "");
}

} // namespace

OutputsDialog::OutputsDialog() {
    window = new Fl_Double_Window(474, 461, "Input/Output definitions: Outputs");
    Fl_Pack* pack = new Fl_Pack(0, 1, 472, 460);
    new Fl_Box(0, 1, 472, 5);
    buildModes();
    buildStateFile();
    buildClientSending();
    buildServerSending();
    pack->end();
    window->end();
    bindCallbacks();
    snapshotChooser_ = new Fl_File_Chooser(".", "text files (*.txt)", Fl_File_Chooser::CREATE,
                                           "Select Snapshot file");
    snapshotResult_.attach(snapshotChooser_, snapshotTaken, this);
    snapshotFileName_.assignRelative("state.txt");
    showSnapshotName();
    setStatusText("Snapshot is OFF");
    setCounterText("Frames set: 00000000");
}

// The window owns every widget; the chooser is the dialog's own. The label texts outlive the
// window because members are destroyed after this body.
OutputsDialog::~OutputsDialog() {
    delete snapshotChooser_;
    delete window;
}

void OutputsDialog::buildModes() {
    Fl_Group* group = ui::raisedGroup(5, 9, 467, 131);
    ui::headerBox(10, 14, 456, 25, "Output Mode Selection");
    localSnapshot = outputButton(45, "Local state snapshot file");
    clientSending = outputButton(75, "Client sending");
    clientSending->deactivate();
    serverSending = outputButton(105, "Server sending");
    serverSending->deactivate();
    localRate = new Fl_Choice(360, 45, 100, 25, " Local file update rate");
    clientRate = new Fl_Choice(360, 75, 100, 25, "Client data update rate");
    clientRate->deactivate();
    group->end();
}

// The on/off button and its status are hidden: snapshots stay enabled from creation on.
void OutputsDialog::buildStateFile() {
    Fl_Group* group = ui::raisedGroup(5, 143, 467, 132);
    ui::headerBox(10, 148, 456, 25, "State File Generation");
    snapshotButton = new Fl_Button(10, 179, 100, 25, "Output File");
    snapshotFile = new Fl_Output(115, 180, 349, 25);
    onOff = new Fl_Light_Button(10, 208, 100, 25, "On/Off   ");
    onOff->hide();
    status = ui::textBox(115, 208, 315, 25, "State File Generation is On");
    status->hide();
    counter = ui::textBox(10, 239, 315, 25, "Counter");
    group->end();
}

// Nothing is sent to a client or server yet: the sections are shown but cannot be used.
void OutputsDialog::buildClientSending() {
    Fl_Group* group = ui::raisedGroup(5, 278, 467, 98);
    ui::headerBox(10, 283, 456, 25, "Client sending state data packets");
    clientHost = new Fl_Input(10, 313, 230, 25);
    ui::textBox(245, 313, 220, 24, "IP address/name");
    clientPort = new Fl_Value_Input(10, 343, 230, 25);
    ui::textBox(245, 343, 220, 25, "Port Number");
    group->end();
    group->deactivate();
}

void OutputsDialog::buildServerSending() {
    Fl_Group* group = ui::raisedGroup(5, 380, 467, 66);
    ui::headerBox(10, 385, 456, 25, "Server sending state data packets");
    serverPort = new Fl_Value_Input(10, 415, 230, 25);
    ui::textBox(245, 415, 220, 24, "Port Number");
    group->end();
    group->deactivate();
}

void OutputsDialog::bindCallbacks() {
    bind<&OutputsDialog::localSnapshotChanged>(localSnapshot, this);
    bind<&OutputsDialog::clientSendingChanged>(clientSending, this);
    bind<&OutputsDialog::serverSendingChanged>(serverSending, this);
    bind<&OutputsDialog::openSnapshotChooser>(snapshotButton, this);
    bind<&OutputsDialog::snapshotFileEdited>(snapshotFile, this);
    bind<&OutputsDialog::toggleSnapshot>(onOff, this);
    bind<&OutputsDialog::clientHostEdited>(clientHost, this);
    bind<&OutputsDialog::clientPortEdited>(clientPort, this);
    bind<&OutputsDialog::serverPortEdited>(serverPort, this);
}

void OutputsDialog::localSnapshotChanged(Fl_Widget*) {}
void OutputsDialog::clientSendingChanged(Fl_Widget*) {}
void OutputsDialog::serverSendingChanged(Fl_Widget*) {}
void OutputsDialog::localRateChanged(Fl_Widget*) {}
void OutputsDialog::clientRateChanged(Fl_Widget*) {}
void OutputsDialog::snapshotFileEdited(Fl_Widget*) {}
void OutputsDialog::statusChanged(Fl_Widget*) {}
void OutputsDialog::counterChanged(Fl_Widget*) {}
void OutputsDialog::clientHostEdited(Fl_Widget*) {}
void OutputsDialog::clientPortEdited(Fl_Widget*) {}
void OutputsDialog::serverPortEdited(Fl_Widget*) {}

void OutputsDialog::openSnapshotChooser(Fl_Widget*) {
    snapshotChooser_->show();
}

void OutputsDialog::toggleSnapshot(Fl_Widget*) {
    snapshotEnabled_ = onOff->value() != 0;
    setStatusText(snapshotEnabled_ ? "Snapshot is ON" : "Snapshot is OFF");
}

void OutputsDialog::requestSnapshot(Fl_Widget*) {
    snapshotRequested_ = true;
}

void OutputsDialog::snapshotChosen(const char* chosenPath) {
    if (!snapshotFileName_.assignRelative(chosenPath)) {
        return;
    }
    showSnapshotName();
}

void OutputsDialog::setSnapshotFile(const char* name) {
    // An empty name names no file: writing to it could only fail.
    if (name == nullptr || name[0] == '\0') {
        snapshotFileName_.clear();
    } else {
        snapshotFileName_.assignRelative(name);
    }
    // Also when refused: the field must show the name the snapshots go to.
    showSnapshotName();
}

void OutputsDialog::showSnapshotName() {
    const char* name = snapshotFileName_.c_str();
    snapshotFile->value(name != nullptr ? name : "");
}

long OutputsDialog::snapshotWritten() {
    ++snapshotCount_;
    std::snprintf(counterText_, sizeof counterText_, "Frames set: %08ld", snapshotCount_);
    counter->label(counterText_);
    counter->redraw_label();
    return snapshotCount_;
}

void OutputsDialog::setStatusText(const char* text) {
    copyLabel(statusText_, text);
    status->label(statusText_);
    status->redraw_label();
}

void OutputsDialog::setCounterText(const char* text) {
    copyLabel(counterText_, text);
    counter->label(counterText_);
    counter->redraw_label();
}

Fl_Widget* OutputsDialog::widget(int number) const {
    if (number < 1 || number > widgetCount) {
        return nullptr;
    }
    const std::array<Fl_Widget*, widgetCount> widgets = {
        localSnapshot,  clientSending, serverSending, localRate, clientRate,
        snapshotButton, snapshotFile,  onOff,         status,    counter,
        clientHost,     clientPort,    serverPort,
    };
    return widgets[number - 1];
}
