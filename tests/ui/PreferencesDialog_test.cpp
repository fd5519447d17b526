#include "ui/PreferencesDialog.h"

#include "tests/ui/DialogTestSupport.h"

#include <FL/Fl_Check_Button.H>
#include <FL/Fl_Choice.H>
#include <FL/Fl_Double_Window.H>
#include <FL/Fl_Pack.H>
#include <FL/Fl_Round_Button.H>
#include <FL/Fl_Value_Input.H>
#include <gtest/gtest.h>

namespace {

using dialogtest::Placed;

enum Kind { kCheck, kChoice, kRound, kValue };

struct Numbered {
    Kind kind;
    Placed placed;
    Placed caption; // the box to the right that names it; number 0 when the widget has a label
};

const Numbered numbered[] = {
    {kCheck, {1, 10, 44, 25, 25, nullptr}, {1, 140, 44, 315, 25, "Target Vehicle Number"}},
    {kChoice, {2, 35, 44, 100, 25, nullptr}, {}},
    {kCheck, {3, 10, 74, 25, 25, nullptr}, {1, 140, 74, 315, 25, "Chase Vehicle Number"}},
    {kChoice, {4, 35, 74, 100, 25, nullptr}, {}},
    {kCheck,
     {5, 10, 104, 25, 25, nullptr},
     {1, 140, 104, 315, 25, "Number of Close Vehicles to Track"}},
    {kChoice, {6, 35, 104, 100, 25, nullptr}, {}},
    {kRound,
     {7, 10, 174, 25, 25, nullptr},
     {1, 35, 174, 315, 25, "Center on target & Frame All visible nodes "}},
    {kRound, {8, 10, 204, 25, 25, nullptr}, {1, 35, 204, 315, 25, "Center on target"}},
    {kRound,
     {9, 10, 234, 25, 25, nullptr},
     {1, 35, 234, 357, 25, "Raom using right and left Mouse button click and drag"}},
    {kRound, {10, 10, 305, 25, 25, nullptr}, {1, 35, 305, 164, 25, "Display All Nodes"}},
    {kRound, {11, 10, 335, 25, 25, nullptr}, {1, 35, 335, 169, 25, "Display Target vehicles"}},
    {kValue, {12, 369, 305, 75, 25, "Medium bad Idle in Sec."}, {}},
    {kValue, {13, 369, 335, 75, 25, "Bad Idle in Sec."}, {}},
    {kChoice, {14, 368, 365, 100, 25, "Target frame rate"}, {}},
    {kCheck, {15, 10, 436, 25, 25, nullptr}, {1, 35, 436, 207, 25, "Node File Comment"}},
    {kCheck, {16, 10, 466, 25, 25, nullptr}, {1, 35, 466, 202, 25, "Multicast Packet Comment 1"}},
    {kCheck, {17, 10, 496, 25, 25, nullptr}, {1, 35, 496, 200, 25, "Multicast Packet Comment 2"}},
};

bool isKind(const Fl_Widget* widget, Kind kind) {
    switch (kind) {
    case kCheck:
        return dynamic_cast<const Fl_Check_Button*>(widget) != nullptr;
    case kChoice:
        return dynamic_cast<const Fl_Choice*>(widget) != nullptr;
    case kRound:
        return dynamic_cast<const Fl_Round_Button*>(widget) != nullptr;
    case kValue:
        return dynamic_cast<const Fl_Value_Input*>(widget) != nullptr;
    }
    return false;
}

TEST(PreferencesDialog, WindowPackAndSectionsAsLaidOut) {
    PreferencesDialog dialog;
    Fl_Double_Window* window = dialog.window;
    EXPECT_EQ(window->w(), 476);
    EXPECT_EQ(window->h(), 538);
    EXPECT_STREQ(window->label(), "Map App Preferences");
    EXPECT_TRUE(window->non_modal());
    EXPECT_FALSE(window->shown());

    ASSERT_EQ(window->children(), 1);
    const Fl_Pack* pack = dynamic_cast<const Fl_Pack*>(window->child(0));
    ASSERT_NE(pack, nullptr);
    dialogtest::expectPlaced(pack, {0, 0, 1, 474, 535, nullptr});
    ASSERT_EQ(pack->children(), 5);
    EXPECT_EQ(pack->child(0)->h(), 5);
    const Placed headers[] = {
        {0, 10, 14, 460, 25, "Select Target Vehicles (check box enables special icons)"},
        {0, 10, 144, 460, 25, "Navagation"},
        {0, 10, 275, 460, 25, "Display Options"},
        {0, 10, 406, 460, 25, "Display Comments"},
    };
    const int groupY[] = {9, 139, 270, 401};
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(headers[i].label);
        dialogtest::expectSection(pack->child(i + 1), {0, 2, groupY[i], 470, 130, nullptr},
                                  headers[i]);
    }
}

TEST(PreferencesDialog, NumberedWidgetsAndTheirCaptionsAsLaidOut) {
    PreferencesDialog dialog;
    for (const Numbered& n : numbered) {
        SCOPED_TRACE(n.placed.number);
        Fl_Widget* widget = dialog.widget(n.placed.number);
        dialogtest::expectPlaced(widget, n.placed);
        EXPECT_TRUE(isKind(widget, n.kind));
        // The application object binds every one of them.
        EXPECT_EQ(widget->callback(), Fl_Widget::default_callback);
        if (n.caption.number == 0) {
            continue;
        }
        // In the vehicle rows the choice stands between the check button and its caption.
        const int offset = n.placed.number <= 5 ? 2 : 1;
        const Fl_Group* group = widget->parent();
        const Fl_Widget* caption = group->child(group->find(widget) + offset);
        dialogtest::expectPlaced(caption, n.caption);
        EXPECT_EQ(caption->align(), FL_ALIGN_LEFT | FL_ALIGN_INSIDE);
    }
}

TEST(PreferencesDialog, MembersAreTheNumberedWidgets) {
    PreferencesDialog dialog;
    const Fl_Widget* members[] = {
        dialog.targetIcon,     dialog.targetVehicle,      dialog.chaseIcon,
        dialog.chaseVehicle,   dialog.proxIcon,           dialog.closeVehicles,
        dialog.trackAll,       dialog.trackTarget,        dialog.trackRoam,
        dialog.displayAll,     dialog.displayTargetGroup, dialog.mediumIdle,
        dialog.badIdle,        dialog.frameRate,          dialog.commentNode,
        dialog.commentPacket1, dialog.commentPacket2,
    };
    for (int number = 1; number <= 17; ++number) {
        EXPECT_EQ(dialog.widget(number), members[number - 1]) << number;
    }
    EXPECT_EQ(dialog.widget(0), nullptr);
    EXPECT_EQ(dialog.widget(18), nullptr);
}

TEST(PreferencesDialog, RoundButtonsAreToggleButtonsThatStartOff) {
    PreferencesDialog dialog;
    for (Fl_Round_Button* button : {dialog.trackAll, dialog.trackTarget, dialog.trackRoam,
                                    dialog.displayAll, dialog.displayTargetGroup}) {
        EXPECT_EQ(button->type(), FL_TOGGLE_BUTTON);
        EXPECT_EQ(button->value(), 0);
        // Pressed while on, a toggle button goes off: the application turns it back on.
        button->value(1);
        dialogtest::press(button);
        EXPECT_EQ(button->value(), 0);
    }
}

TEST(PreferencesDialog, ChoicesAndFieldsStartEmpty) {
    PreferencesDialog dialog;
    for (Fl_Choice* choice :
         {dialog.targetVehicle, dialog.chaseVehicle, dialog.closeVehicles, dialog.frameRate}) {
        EXPECT_EQ(choice->size(), 0);
    }
    EXPECT_EQ(dialog.mediumIdle->value(), 0.0);
    EXPECT_EQ(dialog.badIdle->value(), 0.0);
}

} // namespace
