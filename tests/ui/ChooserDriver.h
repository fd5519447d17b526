#pragma once

#include <string>
#include <vector>

class Fl_Button;
class Fl_File_Browser;
class Fl_File_Chooser;
class Fl_File_Input;
class Fl_Window;

namespace dialogtest {

// Works a shown Fl_File_Chooser as a user does: clicks in its file list, types in its name field,
// presses its OK and Cancel buttons or closes its window. The chooser keeps these widgets
// private, so they are found in its window (the shown window titled as the chooser) by kind
// and label. Main thread only.
class ChooserDriver {
public:
    // One thing a user does in the chooser; `text` is the file clicked or the name typed.
    struct Action {
        enum Kind { Click, DoubleClick, Type, Enter, Ok, Cancel, Close } kind;
        const char* text = "";
    };

    // Waits until the chooser's window is shown and can take events (within 10 s), then finds
    // it; found() is false when it did not show.
    explicit ChooserDriver(Fl_File_Chooser* chooser);

    bool found() const { return window_ != nullptr && ok_ != nullptr && cancel_ != nullptr; }

    // One click, or a double click, on the line of the file list that reads `name`; false when
    // no line does or the click selected another. The list must be long enough to scroll that
    // line to its top (fillFolder), since FLTK tells no line's place in a list that cannot.
    bool clickFile(const std::string& name, bool doubleClick = false);
    // Replaces the text of the name field, as typing over it does.
    void typeName(const std::string& text);
    // Enter in the name field.
    void pressEnter();
    void pressOk();
    void pressCancel();
    // The window manager's close button.
    void closeWindow();
    // Does each action in turn; false when a click missed its file.
    bool perform(const std::vector<Action>& actions);
    // Lets FLTK finish what the last action started (within 10 s): true when the chooser is
    // closed by then.
    bool closed();

private:
    Fl_File_Chooser* chooser_;
    Fl_Window* window_ = nullptr;
    Fl_File_Browser* list_ = nullptr;
    Fl_File_Input* name_ = nullptr;
    Fl_Button* ok_ = nullptr;
    Fl_Button* cancel_ = nullptr;
};

// Adds files that sort after every name the tests choose, so each of those can be scrolled to the
// top of a chooser's list.
void fillFolder(const std::string& folder);

} // namespace dialogtest
