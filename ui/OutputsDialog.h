#pragma once

#include "ui/ChooserResult.h"
#include "ui/StoredFileName.h"

class Fl_Box;
class Fl_Button;
class Fl_Check_Button;
class Fl_Choice;
class Fl_Double_Window;
class Fl_File_Chooser;
class Fl_Input;
class Fl_Light_Button;
class Fl_Output;
class Fl_Value_Input;
class Fl_Widget;

// The "Input/Output definitions: Outputs" window: which outputs run, the snapshot file with its
// count of snapshots written, and the send addresses. Widgets are numbered 1 to 13 as the
// members below. The on/off light button 8 and the status box 9 are hidden, so snapshots stay
// enabled; the client and server sending buttons and sections are inactive.
//
// The dialog binds its own widgets (output buttons, chooser button, toggle, fields) to its
// operations, with itself as user data. The rate choices 4 and 5 are left to the application
// object, which fills them from its rate table and binds them to its period recomputation.
//
// Ownership: the application object owns the dialog; the dialog owns its window (which owns the
// widgets), the snapshot chooser, the snapshot file name and the texts behind the status and
// counter labels. Threads: main thread only, like every FLTK widget. Failure: a snapshot name
// that is too long once made relative is refused and changes nothing; widget() gives null for
// a number outside 1 to 13.
class OutputsDialog {
public:
    static constexpr int widgetCount = 13;
    static constexpr int labelSize = 256;

    OutputsDialog();
    virtual ~OutputsDialog();

    OutputsDialog(const OutputsDialog&) = delete;
    OutputsDialog& operator=(const OutputsDialog&) = delete;

    // The widgets are read when needed; using one needs no action.
    virtual void localSnapshotChanged(Fl_Widget* widget);
    virtual void clientSendingChanged(Fl_Widget* widget);
    virtual void serverSendingChanged(Fl_Widget* widget);
    virtual void localRateChanged(Fl_Widget* widget);
    virtual void clientRateChanged(Fl_Widget* widget);
    virtual void snapshotFileEdited(Fl_Widget* widget);
    virtual void statusChanged(Fl_Widget* widget);
    virtual void counterChanged(Fl_Widget* widget);
    virtual void clientHostEdited(Fl_Widget* widget);
    virtual void clientPortEdited(Fl_Widget* widget);
    virtual void serverPortEdited(Fl_Widget* widget);
    // Button 6: shows the chooser; its result arrives in snapshotChosen().
    virtual void openSnapshotChooser(Fl_Widget* widget);
    // Light button 8: snapshots enabled while it is on, with the status text saying so.
    virtual void toggleSnapshot(Fl_Widget* widget);
    // Bound to no widget; only raises snapshotRequested().
    virtual void requestSnapshot(Fl_Widget* widget);
    // The chooser's result, given when it closes with a name (OK, a double click, Enter), not
    // while the user clicks around in it: a chooser cancelled or closed changes nothing, and
    // neither does null. Otherwise as setSnapshotFile().
    virtual void snapshotChosen(const char* chosenPath);

    Fl_Widget* widget(int number) const;

    // Null or empty releases the stored name and empties field 7. A name is stored relative to
    // the working directory and shown; one longer than 255 characters once relative is refused
    // and field 7 shows the name that stays stored.
    void setSnapshotFile(const char* name);
    // Null when none; "state.txt" when the dialog is created.
    const char* snapshotFileName() const { return snapshotFileName_.c_str(); }
    bool snapshotEnabled() const { return snapshotEnabled_; }
    bool snapshotRequested() const { return snapshotRequested_; }

    // Called after each snapshot written: counts it, shows "Frames set: " and the count in
    // eight digits, and returns the count. The count is never reset.
    long snapshotWritten();
    long snapshotCount() const { return snapshotCount_; }

    // Texts of the status box 9 and the counter box 10, cut to labelSize - 1 characters; null
    // empties them.
    void setStatusText(const char* text);
    void setCounterText(const char* text);

    Fl_File_Chooser* snapshotChooser() const { return snapshotChooser_; }

    Fl_Double_Window* window = nullptr;
    Fl_Check_Button* localSnapshot = nullptr;
    Fl_Check_Button* clientSending = nullptr;
    Fl_Check_Button* serverSending = nullptr;
    Fl_Choice* localRate = nullptr;
    Fl_Choice* clientRate = nullptr;
    Fl_Button* snapshotButton = nullptr;
    Fl_Output* snapshotFile = nullptr;
    Fl_Light_Button* onOff = nullptr;
    Fl_Box* status = nullptr;
    Fl_Box* counter = nullptr;
    Fl_Input* clientHost = nullptr;
    Fl_Value_Input* clientPort = nullptr;
    Fl_Value_Input* serverPort = nullptr;

private:
    void buildModes();
    void buildStateFile();
    void buildClientSending();
    void buildServerSending();
    void bindCallbacks();
    void showSnapshotName();

    StoredFileName snapshotFileName_;
    bool snapshotEnabled_ = true;
    bool snapshotRequested_ = false;
    Fl_File_Chooser* snapshotChooser_ = nullptr;
    ChooserResult snapshotResult_;
    long snapshotCount_ = 0;
    // The boxes' labels point here: FLTK keeps only the pointer.
    char statusText_[labelSize] = {};
    char counterText_[labelSize] = {};
};
