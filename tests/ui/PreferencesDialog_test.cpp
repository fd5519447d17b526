#include "ui/PreferencesDialog.h"

#include "tests/ui/DialogTestSupport.h"

#include <FL/Fl_Check_Button.H>
#include <FL/Fl_Choice.H>
#include <FL/Fl_Double_Window.H>
#include <FL/Fl_Round_Button.H>
#include <FL/Fl_Value_Input.H>
#include <gtest/gtest.h>

namespace {

TEST(PreferencesDialog, NumbersNameTheMembersAndRoundButtonsToggle) {
    PreferencesDialog d;
    const Fl_Widget* members[] = {
        d.targetIcon,         d.targetVehicle,  d.chaseIcon,   d.chaseVehicle, d.proxIcon,
        d.closeVehicles,      d.trackAll,       d.trackTarget, d.trackRoam,    d.displayAll,
        d.displayTargetGroup, d.mediumIdle,     d.badIdle,     d.frameRate,    d.commentNode,
        d.commentPacket1,     d.commentPacket2,
    };
    for (int number = 0; number <= 18; ++number) {
        EXPECT_EQ(d.widget(number), number < 1 || number > 17 ? nullptr : members[number - 1])
            << number;
    }
    EXPECT_TRUE(d.window->non_modal());
    // Pressed while on, a toggle button goes off: the application turns it back on.
    for (Fl_Round_Button* button :
         {d.trackAll, d.trackTarget, d.trackRoam, d.displayAll, d.displayTargetGroup}) {
        EXPECT_EQ(button->value(), 0);
        button->value(1);
        dialogtest::press(button);
        EXPECT_EQ(button->value(), 0);
    }
}

} // namespace
