#pragma once

#include <FL/Fl_Box.H>
#include <FL/Fl_Group.H>
#include <FL/Fl_Round_Button.H>

namespace ui {

// The pieces the dialog windows share. Each creates its widget inside the group that is being
// built (FLTK's current group), which then owns it. Main thread only.

// A raised group holding one section of a dialog.
inline Fl_Group* raisedGroup(int x, int y, int w, int h) {
    Fl_Group* group = new Fl_Group(x, y, w, h);
    group->box(FL_UP_BOX);
    return group;
}

// The sunken, bold title bar at the top of each section.
inline Fl_Box* headerBox(int x, int y, int w, int h, const char* label) {
    Fl_Box* box = new Fl_Box(x, y, w, h, label);
    box->box(FL_DOWN_BOX);
    box->color(220);
    box->labelfont(FL_BOLD);
    box->align(FL_ALIGN_LEFT | FL_ALIGN_INSIDE);
    return box;
}

// A caption standing beside a widget that carries no label of its own.
inline Fl_Box* textBox(int x, int y, int w, int h, const char* label) {
    Fl_Box* box = new Fl_Box(x, y, w, h, label);
    box->align(FL_ALIGN_LEFT | FL_ALIGN_INSIDE);
    return box;
}

// Round buttons stay plain toggle buttons, not FLTK radio buttons: a press while on turns the
// button off and its callback decides, so keeping one of a group on is the callback's work.
inline Fl_Round_Button* toggleRoundButton(int x, int y, int w, int h, const char* label = nullptr) {
    Fl_Round_Button* button = new Fl_Round_Button(x, y, w, h, label);
    button->type(FL_TOGGLE_BUTTON);
    return button;
}

} // namespace ui
