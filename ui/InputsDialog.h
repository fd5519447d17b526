#pragma once

#include "ui/ChooserResult.h"
#include "ui/StoredFileName.h"

class Fl_Button;
class Fl_Choice;
class Fl_Double_Window;
class Fl_File_Chooser;
class Fl_Input;
class Fl_Output;
class Fl_Round_Button;
class Fl_Value_Input;
class Fl_Widget;

// The "Input/Output definitions: Inputs" window: the input mode, the input file names, the
// remote host and the multicast buffer sizes. Its widgets are the live input settings: the
// periodic update and the remote poll read the mode buttons, names, address, port and buffer
// values from them. Widgets are numbered 1 to 20 as the members below; the "Client receiving"
// and "Server receiving" buttons and sections are inactive.
//
// The dialog binds its own widgets (mode buttons, chooser buttons, fields) to its operations,
// with itself as user data. The rate choices 6, 7 and 8 are left to the application object,
// which fills them from its rate tables and binds them to its period recomputation.
//
// Ownership: the application object owns the dialog; the dialog owns its window (which owns the
// widgets), its two file choosers and the chosen file names. Threads: main thread only, like
// every FLTK widget. Failure: a chooser result that is null, empty or too long once made
// relative changes nothing; widget() gives null for a number outside 1 to 20.
class InputsDialog {
public:
    static constexpr int widgetCount = 20;

    InputsDialog();
    virtual ~InputsDialog();

    InputsDialog(const InputsDialog&) = delete;
    InputsDialog& operator=(const InputsDialog&) = delete;

    // Mode buttons 1 to 5: each leaves only its own button on, so pressing the one that is on
    // keeps it on.
    virtual void selectMulticast(Fl_Widget* widget);
    virtual void selectRemoteState(Fl_Widget* widget);
    virtual void selectLocalState(Fl_Widget* widget);
    virtual void selectServer(Fl_Widget* widget);
    virtual void selectClient(Fl_Widget* widget);
    // Buttons 9 and 13: show the chooser; its result arrives in the "Chosen" operations.
    virtual void openMulticastChooser(Fl_Widget* widget);
    virtual void multicastFileEdited(Fl_Widget* widget);
    virtual void openStateChooser(Fl_Widget* widget);
    // The fields are read when needed; editing one needs no action.
    virtual void buffersPerPortEdited(Fl_Widget* widget);
    virtual void bytesPerBufferEdited(Fl_Widget* widget);
    virtual void stateFileEdited(Fl_Widget* widget);
    virtual void remoteHostEdited(Fl_Widget* widget);
    virtual void remotePortEdited(Fl_Widget* widget);
    virtual void remoteFileEdited(Fl_Widget* widget);
    virtual void clientHostEdited(Fl_Widget* widget);
    virtual void clientPortEdited(Fl_Widget* widget);
    virtual void serverPortEdited(Fl_Widget* widget);
    // A chooser's result, given when it closes with a name (OK, a double click, Enter), not
    // while the user clicks around in it: a chooser cancelled or closed changes nothing. A name
    // is stored relative to the working directory and shown in field 10 or 14; null, empty or
    // too long changes nothing.
    virtual void multicastFileChosen(const char* chosenPath);
    virtual void stateFileChosen(const char* chosenPath);

    Fl_Widget* widget(int number) const;

    // Button 1 on and 2 to 5 off; fields 10, 14, 17 and 18 empty; remote port 80; ports 19 and
    // 20 and buffer values 11 and 12 zero. The remote host field 15 and the stored names stay.
    void resetInputsDialog();

    // The names last chosen, relative to the working directory; null when none was.
    const char* multicastFileName() const { return multicastFileName_.c_str(); }
    const char* stateFileName() const { return stateFileName_.c_str(); }

    Fl_File_Chooser* multicastChooser() const { return multicastChooser_; }
    Fl_File_Chooser* stateChooser() const { return stateChooser_; }

    Fl_Double_Window* window = nullptr;
    Fl_Round_Button* multicast = nullptr;
    Fl_Round_Button* remoteState = nullptr;
    Fl_Round_Button* localState = nullptr;
    Fl_Round_Button* server = nullptr;
    Fl_Round_Button* client = nullptr;
    Fl_Choice* localRate = nullptr;
    Fl_Choice* remoteRate = nullptr;
    Fl_Choice* clientRate = nullptr;
    Fl_Button* multicastFileButton = nullptr;
    Fl_Output* multicastFile = nullptr;
    Fl_Value_Input* buffersPerPort = nullptr;
    Fl_Value_Input* bytesPerBuffer = nullptr;
    Fl_Button* stateFileButton = nullptr;
    Fl_Output* stateFile = nullptr;
    Fl_Input* remoteHost = nullptr;
    Fl_Value_Input* remotePort = nullptr;
    Fl_Input* remoteFile = nullptr;
    Fl_Input* clientHost = nullptr;
    Fl_Value_Input* clientPort = nullptr;
    Fl_Value_Input* serverPort = nullptr;

private:
    void buildModes();
    void buildMulticastSetup();
    void buildLocalState();
    void buildRemoteState();
    void buildClientReceiving();
    void buildServerReceiving();
    void bindCallbacks();
    void createChoosers();
    void selectOnly(Fl_Round_Button* selected);

    StoredFileName multicastFileName_;
    StoredFileName stateFileName_;
    Fl_File_Chooser* multicastChooser_ = nullptr;
    Fl_File_Chooser* stateChooser_ = nullptr;
    ChooserResult multicastResult_;
    ChooserResult stateResult_;
};
