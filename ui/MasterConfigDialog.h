#pragma once

#include <array>

class Fl_Double_Window;
class Fl_Output;
class Fl_Widget;

// The "Master Configuration File" window: the names of the master configuration file and of the
// six files it names, in read-only fields. Its buttons have no action; the unlabelled ones are
// inactive. Widgets are numbered 1 to 42 from the top, buttons left to right, each section's
// field after its buttons; the name fields are 6, 12, 18, 24, 30, 36 and 42.
//
// Ownership: the application object owns the dialog; the dialog owns its window, which owns the
// widgets. The fields keep their own copies of the names.
//
// Threads: main thread only, like every FLTK widget. Failure: none to report; widget() gives
// null for a number outside 1 to 42.
class MasterConfigDialog {
public:
    static constexpr int widgetCount = 42;

    enum NameField {
        kMaster,
        kNodeFile,
        kPortFile,
        kNodeDefFile,
        kMapFile,
        kWwwFile,
        kPreferenceFile
    };

    MasterConfigDialog();
    virtual ~MasterConfigDialog();

    MasterConfigDialog(const MasterConfigDialog&) = delete;
    MasterConfigDialog& operator=(const MasterConfigDialog&) = delete;

    Fl_Double_Window* window() const { return window_; }
    Fl_Widget* widget(int number) const;

    // Empties the seven name fields.
    void clearNames();
    // The field keeps a copy; null empties it.
    void setName(NameField field, const char* name);
    // The field's text, "" when empty or for an unknown field.
    const char* name(NameField field) const;

    // Opens the window, or raises it when it is open.
    void show();

private:
    void buildTop(int& number);
    void buildSections(int& number);
    void buildSection(int section, int& number);
    Fl_Output* nameField(NameField field) const;

    Fl_Double_Window* window_ = nullptr;
    // Index 0 unused, so the index is the widget's number.
    std::array<Fl_Widget*, widgetCount + 1> widgets_{};
};
