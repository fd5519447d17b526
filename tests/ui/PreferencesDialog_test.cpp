#include "ui/PreferencesDialog.h"

#include "tests/ui/ChooserDriver.h"

#include <FL/Fl_Double_Window.H>
#include <FL/Fl_Round_Button.H>
#include <gtest/gtest.h>

namespace {

// Pressed while on, a mode button goes off (the application turns it back on).
TEST(PreferencesDialog, ModeButtonsToggle) {
    PreferencesDialog d;
    EXPECT_TRUE(d.window->non_modal());
    for (Fl_Round_Button* b :
         {d.trackAll, d.trackTarget, d.trackRoam, d.displayAll, d.displayTargetGroup}) {
        b->value(1);
        dialogtest::press(b);
        EXPECT_EQ(b->value(), 0);
    }
}

} // namespace
