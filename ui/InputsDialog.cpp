#include "ui/InputsDialog.h"

#include "ui/DialogParts.h"
#include "ui/Trampoline.h"

#include <FL/Fl_Box.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Choice.H>
#include <FL/Fl_Double_Window.H>
#include <FL/Fl_File_Chooser.H>
#include <FL/Fl_Group.H>
#include <FL/Fl_Input.H>
#include <FL/Fl_Output.H>
#include <FL/Fl_Pack.H>
#include <FL/Fl_Round_Button.H>
#include <FL/Fl_Value_Input.H>

#include <array>

namespace {

template <void (InputsDialog::*Operation)(Fl_Widget*)>
void bind(Fl_Widget* widget, InputsDialog* dialog) {
    widget->callback(ui::trampoline<InputsDialog, Operation>, dialog);
}

template <void (InputsDialog::*Chosen)(const char*)> void chosen(void* dialog, const char* path) {
    (static_cast<InputsDialog*>(dialog)->*Chosen)(path);
}

Fl_Round_Button* modeButton(int y, const char* label) {
    Fl_Round_Button* button = ui::toggleRoundButton(10, y, 25, 25, label);
    button->align(FL_ALIGN_RIGHT);
    return button;
}

template <class Field> Field* rightLabelled(int x, int y, int w, int h, const char* label) {
    Field* field = new Field(x, y, w, h, label);
    field->align(FL_ALIGN_RIGHT);
    return field;
}

} // namespace

InputsDialog::InputsDialog() {
    window = new Fl_Double_Window(474, 703, "Input/Output definitions: Inputs");
    Fl_Pack* pack = new Fl_Pack(0, 1, 475, 689);
    new Fl_Box(0, 1, 475, 5);
    buildModes();
    buildMulticastSetup();
    buildLocalState();
    buildRemoteState();
    buildClientReceiving();
    buildServerReceiving();
    pack->end();
    window->end();
    bindCallbacks();
    createChoosers();
}

// The window owns every widget; the choosers are the dialog's own.
InputsDialog::~InputsDialog() {
    delete multicastChooser_;
    delete stateChooser_;
    delete window;
}

void InputsDialog::buildModes() {
    Fl_Group* group = ui::raisedGroup(2, 9, 470, 184);
    ui::headerBox(10, 14, 456, 25, "Input Mode Selection");
    multicast = modeButton(45, "Multi cast packets");
    localState = modeButton(75, "Local state Input file");
    remoteState = modeButton(105, "Remote state Input file");
    client = modeButton(135, "Clieht receiving");
    client->deactivate();
    server = modeButton(165, "Server receiving");
    server->deactivate();
    localRate = new Fl_Choice(365, 75, 100, 25, "Local data update rate");
    remoteRate = new Fl_Choice(365, 105, 100, 25, "Remote data update rate");
    clientRate = new Fl_Choice(365, 135, 100, 25, "Client data update rate");
    clientRate->deactivate();
    group->end();
}

void InputsDialog::buildMulticastSetup() {
    Fl_Group* group = ui::raisedGroup(0, 197, 472, 115);
    ui::headerBox(10, 203, 456, 25, "Multi cast input setup file");
    multicastFileButton = new Fl_Button(10, 234, 100, 25, "Input File");
    multicastFile = new Fl_Output(118, 235, 346, 25);
    buffersPerPort = rightLabelled<Fl_Value_Input>(10, 275, 50, 25, " Buffers/Port");
    bytesPerBuffer = new Fl_Value_Input(414, 275, 50, 25, " Bytes/Buffer");
    group->end();
}

void InputsDialog::buildLocalState() {
    Fl_Group* group = ui::raisedGroup(0, 313, 472, 72);
    ui::headerBox(10, 318, 456, 25, "Local state file snapshot Input file");
    stateFileButton = new Fl_Button(10, 349, 100, 25, "Input File");
    stateFile = new Fl_Output(118, 350, 346, 25);
    group->end();
}

void InputsDialog::buildRemoteState() {
    Fl_Group* group = ui::raisedGroup(0, 389, 472, 129);
    ui::headerBox(10, 394, 456, 25, "Remote state file snapshot Input file");
    remoteHost = rightLabelled<Fl_Input>(10, 424, 342, 25, "IP address/name");
    remotePort = rightLabelled<Fl_Value_Input>(10, 454, 342, 25, "Port Number");
    remoteFile = rightLabelled<Fl_Input>(10, 484, 342, 25, "File Name");
    group->end();
}

// Nothing receives from a client or server yet: the section is shown but cannot be used.
void InputsDialog::buildClientReceiving() {
    Fl_Group* group = ui::raisedGroup(0, 522, 472, 98);
    ui::headerBox(10, 527, 456, 25, "Client receiving state data packets");
    clientHost = rightLabelled<Fl_Input>(10, 557, 342, 25, "IP address/name");
    clientPort = rightLabelled<Fl_Value_Input>(10, 587, 342, 25, "Port Number");
    group->end();
    group->deactivate();
}

void InputsDialog::buildServerReceiving() {
    Fl_Group* group = ui::raisedGroup(0, 624, 472, 66);
    ui::headerBox(10, 629, 456, 25, "Server receiving state data packets");
    serverPort = rightLabelled<Fl_Value_Input>(10, 659, 342, 25, "Port Number");
    group->end();
    group->deactivate();
}

void InputsDialog::bindCallbacks() {
    bind<&InputsDialog::selectMulticast>(multicast, this);
    bind<&InputsDialog::selectRemoteState>(remoteState, this);
    bind<&InputsDialog::selectLocalState>(localState, this);
    bind<&InputsDialog::selectServer>(server, this);
    bind<&InputsDialog::selectClient>(client, this);
    bind<&InputsDialog::openMulticastChooser>(multicastFileButton, this);
    bind<&InputsDialog::multicastFileEdited>(multicastFile, this);
    bind<&InputsDialog::openStateChooser>(stateFileButton, this);
    bind<&InputsDialog::buffersPerPortEdited>(buffersPerPort, this);
    bind<&InputsDialog::bytesPerBufferEdited>(bytesPerBuffer, this);
    bind<&InputsDialog::stateFileEdited>(stateFile, this);
    bind<&InputsDialog::remoteHostEdited>(remoteHost, this);
    bind<&InputsDialog::remotePortEdited>(remotePort, this);
    bind<&InputsDialog::remoteFileEdited>(remoteFile, this);
    bind<&InputsDialog::clientHostEdited>(clientHost, this);
    bind<&InputsDialog::clientPortEdited>(clientPort, this);
    bind<&InputsDialog::serverPortEdited>(serverPort, this);
}

// Creation mode lets the user type a name that does not exist yet.
void InputsDialog::createChoosers() {
    multicastChooser_ = new Fl_File_Chooser(".", "rvx map file (*.mcp)\ttext files (*.txt)",
                                            Fl_File_Chooser::CREATE, "Select multi cast port file");
    multicastResult_.attach(multicastChooser_, chosen<&InputsDialog::multicastFileChosen>, this);
    stateChooser_ = new Fl_File_Chooser(".", "text files (*.txt)", Fl_File_Chooser::CREATE,
                                        "Select state file");
    stateResult_.attach(stateChooser_, chosen<&InputsDialog::stateFileChosen>, this);
}

void InputsDialog::selectOnly(Fl_Round_Button* selected) {
    for (Fl_Round_Button* button : {multicast, remoteState, localState, server, client}) {
        button->value(0);
    }
    selected->value(1);
}

void InputsDialog::selectMulticast(Fl_Widget*) {
    selectOnly(multicast);
}
void InputsDialog::selectRemoteState(Fl_Widget*) {
    selectOnly(remoteState);
}
void InputsDialog::selectLocalState(Fl_Widget*) {
    selectOnly(localState);
}
void InputsDialog::selectServer(Fl_Widget*) {
    selectOnly(server);
}
void InputsDialog::selectClient(Fl_Widget*) {
    selectOnly(client);
}

void InputsDialog::openMulticastChooser(Fl_Widget*) {
    multicastChooser_->show();
}
void InputsDialog::openStateChooser(Fl_Widget*) {
    stateChooser_->show();
}

void InputsDialog::multicastFileEdited(Fl_Widget*) {}
void InputsDialog::buffersPerPortEdited(Fl_Widget*) {}
void InputsDialog::bytesPerBufferEdited(Fl_Widget*) {}
void InputsDialog::stateFileEdited(Fl_Widget*) {}
void InputsDialog::remoteHostEdited(Fl_Widget*) {}
void InputsDialog::remotePortEdited(Fl_Widget*) {}
void InputsDialog::remoteFileEdited(Fl_Widget*) {}
void InputsDialog::clientHostEdited(Fl_Widget*) {}
void InputsDialog::clientPortEdited(Fl_Widget*) {}
void InputsDialog::serverPortEdited(Fl_Widget*) {}

void InputsDialog::multicastFileChosen(const char* chosenPath) {
    if (!multicastFileName_.assignRelative(chosenPath)) {
        return;
    }
    multicastFile->value(multicastFileName_.c_str());
}

// The local state input reads field 14, so the next read uses the new name.
void InputsDialog::stateFileChosen(const char* chosenPath) {
    if (!stateFileName_.assignRelative(chosenPath)) {
        return;
    }
    stateFile->value(stateFileName_.c_str());
}

void InputsDialog::resetInputsDialog() {
    selectOnly(multicast);
    multicastFile->value("");
    stateFile->value("");
    remotePort->value(80);
    remoteFile->value("");
    clientHost->value("");
    clientPort->value(0);
    serverPort->value(0);
    buffersPerPort->value(0);
    bytesPerBuffer->value(0);
}

Fl_Widget* InputsDialog::widget(int number) const {
    if (number < 1 || number > widgetCount) {
        return nullptr;
    }
    const std::array<Fl_Widget*, widgetCount> widgets = {
        multicast,       remoteState,    localState,
        server,          client,         localRate,
        remoteRate,      clientRate,     multicastFileButton,
        multicastFile,   buffersPerPort, bytesPerBuffer,
        stateFileButton, stateFile,      remoteHost,
        remotePort,      remoteFile,     clientHost,
        clientPort,      serverPort,
    };
    return widgets[number - 1];
}
