#include "ui/InputsDialog.h"

#include "tests/ui/ChooserDriver.h"

#include <FL/Fl_Output.H>
#include <FL/Fl_Round_Button.H>
#include <FL/Fl_Value_Input.H>
#include <gtest/gtest.h>

// A mode button pressed (again) leaves only itself on; a reset keeps only the remote host.
TEST(InputsDialog, ModeButtonsAreExclusiveAndResetKeepsOnlyTheRemoteHost) {
    InputsDialog d;
    Fl_Round_Button* modes[] = {d.multicast, d.remoteState, d.localState, d.server, d.client};
    for (Fl_Round_Button* pressed : modes) {
        for (Fl_Round_Button* other : modes) {
            other->value(1);
        }
        for (int times = 0; times < 2; ++times) {
            dialogtest::press(pressed);
            for (Fl_Round_Button* button : modes) {
                EXPECT_EQ(button->value(), button == pressed) << pressed->label();
            }
        }
    }
    Fl_Input* texts[] = {d.multicastFile, d.stateFile, d.remoteFile, d.clientHost, d.remoteHost};
    Fl_Value_Input* numbers[] = {d.remotePort, d.clientPort, d.serverPort, d.buffersPerPort,
                                 d.bytesPerBuffer};
    for (int i = 0; i < 5; ++i) {
        texts[i]->value("x.example");
        numbers[i]->value(7);
    }
    d.resetInputsDialog();
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(modes[i]->value(), i == 0) << i;
        EXPECT_STREQ(texts[i]->value(), i == 4 ? "x.example" : "") << i;
        EXPECT_EQ(numbers[i]->value(), i == 0 ? 80.0 : 0.0) << i;
    }
}
