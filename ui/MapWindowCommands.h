#pragma once

class Fl_Widget;

namespace ui {

// The commands of the main window and the preferences dialog, in the order
// of their slots. The application object implements them; the widgets reach
// them through ui::trampoline. Each takes the calling widget (or none) and
// runs on the main thread inside FLTK's event processing.
class MapWindowCommands {
public:
    virtual ~MapWindowCommands() = default;

    virtual void menuWindow_(Fl_Widget* widget) = 0;
    virtual void graphicsToggle_(Fl_Widget* widget) = 0;
    virtual void fileChooser_(Fl_Widget* widget) = 0;
    virtual void close_(Fl_Widget* widget) = 0;
    virtual void graphics_(Fl_Widget* widget) = 0;
    virtual void files_(Fl_Widget* widget) = 0;
    virtual void inputs_(Fl_Widget* widget) = 0;
    virtual void outputs_(Fl_Widget* widget) = 0;
    virtual void targetVehicle_(Fl_Widget* widget) = 0;
    virtual void chaseVehicle_(Fl_Widget* widget) = 0;
    virtual void closeVehicles_(Fl_Widget* widget) = 0;
    virtual void targetIcon_(Fl_Widget* widget) = 0;
    virtual void chaseIcon_(Fl_Widget* widget) = 0;
    virtual void closeIcon_(Fl_Widget* widget) = 0;
    virtual void trackAll_(Fl_Widget* widget) = 0;
    virtual void trackTarget_(Fl_Widget* widget) = 0;
    virtual void trackRoam_(Fl_Widget* widget) = 0;
    virtual void displayAll_(Fl_Widget* widget) = 0;
    virtual void displayTargetGroup_(Fl_Widget* widget) = 0;
    virtual void commentNode_(Fl_Widget* widget) = 0;
    virtual void commentPacket1_(Fl_Widget* widget) = 0;
    virtual void commentPacket2_(Fl_Widget* widget) = 0;
    virtual void recomputePeriods(Fl_Widget* widget) = 0;
};

} // namespace ui
