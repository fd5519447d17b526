#pragma once

#include <FL/Fl_Widget.H>

namespace ui {

// The one shape of every widget callback in the program: FLTK hands over the
// widget and, as user data, the object that owns the widget's window; the
// trampoline calls that object's operation with the widget. One instance per
// operation, shared by every widget bound to it.
//
//   button->callback(ui::trampoline<TN_mapWindow, &TN_mapWindow::files_>, app);
template <class Owner, void (Owner::*Operation)(Fl_Widget*)>
void trampoline(Fl_Widget* widget, void* owner) {
    (static_cast<Owner*>(owner)->*Operation)(widget);
}

} // namespace ui
