#pragma once

#include "tests/support/WorkingDirectory.h"

#include <FL/Fl_Button.H>
#include <FL/Fl_Widget.H>

namespace dialogtest {

// What FLTK does when a toggle button is clicked: flip it, then call back.
inline void press(Fl_Widget* widget) {
    Fl_Button* button = static_cast<Fl_Button*>(widget);
    button->value(!button->value());
    button->do_callback();
}

using testsupport::WorkingDirectory;

} // namespace dialogtest
