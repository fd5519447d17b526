#pragma once

#include "tests/support/WorkingDirectory.h"

#include <FL/Fl_Button.H>
#include <FL/Fl_Group.H>
#include <FL/Fl_Widget.H>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <system_error>

namespace dialogtest {

// Where a widget stands and what it says; a null label means none.
struct Placed {
    int number;
    int x;
    int y;
    int w;
    int h;
    const char* label;
};

inline std::string labelOf(const Fl_Widget* widget) {
    return widget->label() != nullptr ? widget->label() : "(none)";
}

inline void expectPlaced(const Fl_Widget* widget, const Placed& expected) {
    ASSERT_NE(widget, nullptr);
    EXPECT_EQ(widget->x(), expected.x);
    EXPECT_EQ(widget->y(), expected.y);
    EXPECT_EQ(widget->w(), expected.w);
    EXPECT_EQ(widget->h(), expected.h);
    EXPECT_EQ(labelOf(widget), expected.label != nullptr ? expected.label : "(none)");
}

// A section of a dialog: a raised group whose first child is its sunken, bold header.
inline void expectSection(Fl_Widget* child, const Placed& group, const Placed& header) {
    const Fl_Group* section = child->as_group();
    ASSERT_NE(section, nullptr);
    expectPlaced(section, group);
    EXPECT_EQ(section->box(), FL_UP_BOX);
    const Fl_Widget* title = section->child(0);
    expectPlaced(title, header);
    EXPECT_EQ(title->box(), FL_DOWN_BOX);
    EXPECT_EQ(title->color(), 220u);
    EXPECT_EQ(title->labelfont(), FL_BOLD);
    EXPECT_EQ(title->align(), FL_ALIGN_LEFT | FL_ALIGN_INSIDE);
}

// What FLTK does when a toggle button is clicked: flip it, then call back.
inline void press(Fl_Widget* widget) {
    Fl_Button* button = static_cast<Fl_Button*>(widget);
    button->value(!button->value());
    button->do_callback();
}

using testsupport::WorkingDirectory;

} // namespace dialogtest
