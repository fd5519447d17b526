#pragma once

#include <FL/Fl.H>
#include <FL/Fl_Widget.H>
#include <FL/Fl_Window.H>

#include <chrono>

namespace testsupport {

// Runs FLTK's event loop until `done` holds or `seconds` pass; true when it held. Windows on a
// virtual X server map and draw asynchronously, so tests wait for the state they need.
template <class Condition> bool waitFor(Condition done, double seconds = 10.0) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (!done()) {
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        Fl::wait(0.02);
    }
    return true;
}

// Hands FLTK a mouse event at (x, y) in the coordinates of `window`, as its X event handling
// would: the event position, its screen position, the button state, then Fl::handle. Returns
// what the window's handling gave.
inline int sendMouse(Fl_Window* window, int event, int x, int y, int state) {
    Fl::e_x = x;
    Fl::e_y = y;
    Fl::e_x_root = window->x() + x;
    Fl::e_y_root = window->y() + y;
    Fl::e_state = state;
    return Fl::handle(event, window);
}

// A left-button press and release at (x, y) of `window`. `clicks` 1 is a second click in quick
// succession (a double click), as FLTK counts them in Fl::event_clicks().
inline void clickAt(Fl_Window* window, int x, int y, int clicks = 0) {
    Fl::e_keysym = FL_Button + FL_LEFT_MOUSE;
    Fl::e_clicks = clicks;
    Fl::e_is_click = 1;
    sendMouse(window, FL_PUSH, x, y, FL_BUTTON1);
    sendMouse(window, FL_RELEASE, x, y, 0);
    Fl::e_clicks = 0;
}

// A left click in the middle of `widget`, which its window must hold.
inline void click(Fl_Widget* widget) {
    clickAt(widget->window(), widget->x() + widget->w() / 2, widget->y() + widget->h() / 2);
}

} // namespace testsupport
