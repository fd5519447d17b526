#pragma once

class Fl_Check_Button;
class Fl_Choice;
class Fl_Double_Window;
class Fl_Round_Button;
class Fl_Value_Input;
class Fl_Widget;

// The "Map App Preferences" window: target, chase and close vehicles with their marker icons,
// navigation and display modes, idle limits, target frame rate and the comment lines drawn
// beside the nodes. Widgets are numbered 1 to 17 in the order of the members below.
//
// The dialog binds no callbacks and fills no choice: every widget here writes the preferences
// record, so the application object binds them to its commands and fills the vehicle and rate
// choices from its node and rate tables. The round buttons are plain toggle buttons; those
// commands keep one of each group on. The periodic update reads the idle fields and the frame
// rate choice directly.
//
// Ownership: the application object owns the dialog; the dialog owns its window, which owns the
// widgets. Threads: main thread only, like every FLTK widget. Failure: none to report; widget()
// gives null for a number outside 1 to 17.
class PreferencesDialog {
public:
    static constexpr int widgetCount = 17;

    PreferencesDialog();
    virtual ~PreferencesDialog();

    PreferencesDialog(const PreferencesDialog&) = delete;
    PreferencesDialog& operator=(const PreferencesDialog&) = delete;

    Fl_Widget* widget(int number) const;

    Fl_Double_Window* window = nullptr;
    Fl_Check_Button* targetIcon = nullptr;
    Fl_Choice* targetVehicle = nullptr;
    Fl_Check_Button* chaseIcon = nullptr;
    Fl_Choice* chaseVehicle = nullptr;
    Fl_Check_Button* proxIcon = nullptr;
    Fl_Choice* closeVehicles = nullptr;
    Fl_Round_Button* trackAll = nullptr;
    Fl_Round_Button* trackTarget = nullptr;
    Fl_Round_Button* trackRoam = nullptr;
    Fl_Round_Button* displayAll = nullptr;
    Fl_Round_Button* displayTargetGroup = nullptr;
    Fl_Value_Input* mediumIdle = nullptr;
    Fl_Value_Input* badIdle = nullptr;
    Fl_Choice* frameRate = nullptr;
    Fl_Check_Button* commentNode = nullptr;
    Fl_Check_Button* commentPacket1 = nullptr;
    Fl_Check_Button* commentPacket2 = nullptr;

private:
    void buildVehicles();
    void buildNavigation();
    void buildDisplay();
    void buildComments();
};
