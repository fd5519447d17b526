#pragma once

class Fl_Box;
class Fl_Button;
class Fl_Double_Window;
class glDrawSurface;

namespace ui {

// The widgets of the main window that the application object keeps.
struct MainWindowWidgets {
    Fl_Double_Window* window;
    glDrawSurface* surface;
    Fl_Button* graphics;
    Fl_Button* files;
    Fl_Button* inputs;
    Fl_Button* outputs;
    // The free box right of the buttons: it shows the proximity alarm, in red, and is empty
    // while there is none.
    Fl_Box* alarm;
};

// Builds the main window: the GL map view with, above it, a bar of four buttons that open the
// dialogs. It binds no callbacks; the application object does.
//
// Ownership: the caller owns the window; the window owns every other widget (FLTK parents own
// their children). Threads: main thread only, like every FLTK widget. Failure: none to report.
class MainWindow {
public:
    static MainWindowWidgets build();
};

} // namespace ui
