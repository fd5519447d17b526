#include "ui/InputsDialog.h"

#include "tests/support/FltkEvents.h"
#include "tests/support/TempDir.h"
#include "tests/ui/ChooserDriver.h"
#include "tests/ui/DialogTestSupport.h"

#include <FL/Fl_Button.H>
#include <FL/Fl_Choice.H>
#include <FL/Fl_Double_Window.H>
#include <FL/Fl_File_Chooser.H>
#include <FL/Fl_Input.H>
#include <FL/Fl_Output.H>
#include <FL/Fl_Pack.H>
#include <FL/Fl_Round_Button.H>
#include <FL/Fl_Value_Input.H>
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>

namespace {

using dialogtest::Placed;

struct Numbered {
    Placed placed;
    Fl_Align align;
    bool active;
};

constexpr Fl_Align kLeft = FL_ALIGN_LEFT;
constexpr Fl_Align kRight = FL_ALIGN_RIGHT;
constexpr Fl_Align kCentre = FL_ALIGN_CENTER;

const Numbered numbered[] = {
    {{1, 10, 45, 25, 25, "Multi cast packets"}, kRight, true},
    {{2, 10, 105, 25, 25, "Remote state Input file"}, kRight, true},
    {{3, 10, 75, 25, 25, "Local state Input file"}, kRight, true},
    {{4, 10, 165, 25, 25, "Server receiving"}, kRight, false},
    {{5, 10, 135, 25, 25, "Clieht receiving"}, kRight, false},
    {{6, 365, 75, 100, 25, "Local data update rate"}, kLeft, true},
    {{7, 365, 105, 100, 25, "Remote data update rate"}, kLeft, true},
    {{8, 365, 135, 100, 25, "Client data update rate"}, kLeft, false},
    {{9, 10, 234, 100, 25, "Input File"}, kCentre, true},
    {{10, 118, 235, 346, 25, nullptr}, kLeft, true},
    {{11, 10, 275, 50, 25, " Buffers/Port"}, kRight, true},
    {{12, 414, 275, 50, 25, " Bytes/Buffer"}, kLeft, true},
    {{13, 10, 349, 100, 25, "Input File"}, kCentre, true},
    {{14, 118, 350, 346, 25, nullptr}, kLeft, true},
    {{15, 10, 424, 342, 25, "IP address/name"}, kRight, true},
    {{16, 10, 454, 342, 25, "Port Number"}, kRight, true},
    {{17, 10, 484, 342, 25, "File Name"}, kRight, true},
    {{18, 10, 557, 342, 25, "IP address/name"}, kRight, false},
    {{19, 10, 587, 342, 25, "Port Number"}, kRight, false},
    {{20, 10, 659, 342, 25, "Port Number"}, kRight, false},
};

TEST(InputsDialog, WindowPackAndSectionsAsLaidOut) {
    InputsDialog dialog;
    EXPECT_EQ(dialog.window->w(), 474);
    EXPECT_EQ(dialog.window->h(), 703);
    EXPECT_STREQ(dialog.window->label(), "Input/Output definitions: Inputs");
    EXPECT_FALSE(dialog.window->shown());
    const Fl_Pack* pack = dynamic_cast<const Fl_Pack*>(dialog.window->child(0));
    ASSERT_NE(pack, nullptr);
    dialogtest::expectPlaced(pack, {0, 0, 1, 475, 689, nullptr});
    ASSERT_EQ(pack->children(), 7);
    EXPECT_EQ(pack->child(0)->h(), 5);
    struct Section {
        Placed group;
        int headerY;
        const char* header;
        bool active;
    };
    const Section sections[] = {
        {{0, 2, 9, 470, 184, nullptr}, 14, "Input Mode Selection", true},
        {{0, 0, 197, 472, 115, nullptr}, 203, "Multi cast input setup file", true},
        {{0, 0, 313, 472, 72, nullptr}, 318, "Local state file snapshot Input file", true},
        {{0, 0, 389, 472, 129, nullptr}, 394, "Remote state file snapshot Input file", true},
        {{0, 0, 522, 472, 98, nullptr}, 527, "Client receiving state data packets", false},
        {{0, 0, 624, 472, 66, nullptr}, 629, "Server receiving state data packets", false},
    };
    for (int i = 0; i < 6; ++i) {
        SCOPED_TRACE(sections[i].header);
        dialogtest::expectSection(pack->child(i + 1), sections[i].group,
                                  {0, 10, sections[i].headerY, 456, 25, sections[i].header});
        EXPECT_EQ(pack->child(i + 1)->active() != 0, sections[i].active);
    }
}

TEST(InputsDialog, NumberedWidgetsAsLaidOut) {
    InputsDialog dialog;
    for (const Numbered& n : numbered) {
        SCOPED_TRACE(n.placed.number);
        const Fl_Widget* widget = dialog.widget(n.placed.number);
        dialogtest::expectPlaced(widget, n.placed);
        EXPECT_EQ(widget->align(), n.align);
        EXPECT_EQ(widget->active_r() != 0, n.active);
    }
    EXPECT_EQ(dialog.widget(0), nullptr);
    EXPECT_EQ(dialog.widget(21), nullptr);
}

TEST(InputsDialog, MembersAreTheNumberedWidgetsOfTheirKinds) {
    InputsDialog dialog;
    const Fl_Widget* members[] = {
        dialog.multicast,       dialog.remoteState,    dialog.localState,
        dialog.server,          dialog.client,         dialog.localRate,
        dialog.remoteRate,      dialog.clientRate,     dialog.multicastFileButton,
        dialog.multicastFile,   dialog.buffersPerPort, dialog.bytesPerBuffer,
        dialog.stateFileButton, dialog.stateFile,      dialog.remoteHost,
        dialog.remotePort,      dialog.remoteFile,     dialog.clientHost,
        dialog.clientPort,      dialog.serverPort,
    };
    for (int number = 1; number <= 20; ++number) {
        EXPECT_EQ(dialog.widget(number), members[number - 1]) << number;
    }
    EXPECT_TRUE(dialog.multicastFile->readonly());
    EXPECT_TRUE(dialog.stateFile->readonly());
    EXPECT_FALSE(dialog.remoteHost->readonly());
    for (Fl_Round_Button* button :
         {dialog.multicast, dialog.remoteState, dialog.localState, dialog.server, dialog.client}) {
        EXPECT_EQ(button->type(), FL_TOGGLE_BUTTON);
        EXPECT_EQ(button->value(), 0);
    }
    // The application object fills and binds the rate choices.
    for (Fl_Choice* choice : {dialog.localRate, dialog.remoteRate, dialog.clientRate}) {
        EXPECT_EQ(choice->size(), 0);
        EXPECT_EQ(choice->callback(), Fl_Widget::default_callback);
    }
}

TEST(InputsDialog, EachModeButtonLeavesOnlyItselfOnAndStaysOnWhenPressedAgain) {
    InputsDialog dialog;
    Fl_Round_Button* modes[] = {dialog.multicast, dialog.remoteState, dialog.localState,
                                dialog.server, dialog.client};
    for (Fl_Round_Button* pressed : modes) {
        SCOPED_TRACE(pressed->label());
        for (Fl_Round_Button* other : modes) {
            other->value(1);
        }
        for (int times = 0; times < 2; ++times) {
            dialogtest::press(pressed);
            for (Fl_Round_Button* button : modes) {
                EXPECT_EQ(button->value(), button == pressed ? 1 : 0) << button->label();
            }
        }
    }
}

TEST(InputsDialog, RemoteStatePressedWhileMulticastIsOnLeavesOnlyRemoteState) {
    InputsDialog dialog;
    dialog.resetInputsDialog();
    dialogtest::press(dialog.remoteState);
    EXPECT_EQ(dialog.multicast->value(), 0);
    EXPECT_EQ(dialog.remoteState->value(), 1);
}

TEST(InputsDialog, ChoosersAsDescribedAndNotShown) {
    testsupport::TempDir dir;
    dialogtest::WorkingDirectory cwd(dir.path());
    InputsDialog dialog;
    Fl_File_Chooser* multicast = dialog.multicastChooser();
    ASSERT_NE(multicast, nullptr);
    EXPECT_STREQ(multicast->label(), "Select multi cast port file");
    // FLTK reports the pattern of the filter in use: the first, then the second of the two.
    EXPECT_STREQ(multicast->filter(), "*.mcp");
    multicast->filter_value(1);
    EXPECT_STREQ(multicast->filter(), "*.txt");
    EXPECT_EQ(multicast->type(), Fl_File_Chooser::CREATE);
    EXPECT_FALSE(multicast->shown());
    Fl_File_Chooser* state = dialog.stateChooser();
    ASSERT_NE(state, nullptr);
    EXPECT_STREQ(state->label(), "Select state file");
    EXPECT_STREQ(state->filter(), "*.txt");
    EXPECT_EQ(state->type(), Fl_File_Chooser::CREATE);
    EXPECT_FALSE(state->shown());
    // Created on ".", the working directory at that time.
    EXPECT_EQ(std::filesystem::path(state->directory()), std::filesystem::current_path());
}

class InputsDialogChooserTest : public ::testing::Test {
protected:
    testsupport::TempDir dir;
    dialogtest::WorkingDirectory cwd{dir.path()};
    std::filesystem::path here = std::filesystem::current_path();
    InputsDialog dialog;
};

TEST_F(InputsDialogChooserTest, ChosenNamesAreStoredAndShownRelativeToTheWorkingDirectory) {
    dialog.multicastFileChosen((here / "ports.mcp").c_str());
    EXPECT_STREQ(dialog.multicastFileName(), "ports.mcp");
    EXPECT_STREQ(dialog.multicastFile->value(), "ports.mcp");
    dialog.stateFileChosen((here / "feeds" / "state.txt").c_str());
    EXPECT_STREQ(dialog.stateFileName(), "feeds/state.txt");
    EXPECT_STREQ(dialog.stateFile->value(), "feeds/state.txt");
    // A new choice replaces the field's text at once.
    dialog.stateFileChosen((here.parent_path() / "other.txt").c_str());
    EXPECT_STREQ(dialog.stateFile->value(), "../other.txt");
}

// The user opens each chooser with its button, clicks a file and cancels, then does the same
// and presses OK: only OK changes the name and the field.
TEST_F(InputsDialogChooserTest, OnlyOkInAChooserChangesTheNameAndTheField) {
    dir.write("ports.mcp", "fleet 239.192.0.1 5500\n");
    dir.write("nodes.txt", "1 Lead\n");
    dialogtest::fillFolder(dir.path().string());
    struct Case {
        Fl_Button* button;
        Fl_File_Chooser* chooser;
        const char* file;
        std::function<const char*()> name;
        Fl_Output* field;
    };
    const Case cases[] = {
        {dialog.multicastFileButton, dialog.multicastChooser(), "ports.mcp",
         [this] { return dialog.multicastFileName(); }, dialog.multicastFile},
        {dialog.stateFileButton, dialog.stateChooser(), "nodes.txt",
         [this] { return dialog.stateFileName(); }, dialog.stateFile},
    };
    dialog.window->show();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        for (bool ok : {false, true}) {
            testsupport::click(c.button);
            dialogtest::ChooserDriver driver(c.chooser);
            ASSERT_TRUE(driver.found());
            EXPECT_TRUE(driver.clickFile(c.file));
            Fl::wait(0.0);
            EXPECT_STREQ(c.name(), nullptr);
            EXPECT_STREQ(c.field->value(), "");
            ok ? driver.pressOk() : driver.pressCancel();
            ASSERT_TRUE(driver.closed());
            EXPECT_STREQ(c.name(), ok ? c.file : nullptr);
            EXPECT_STREQ(c.field->value(), ok ? c.file : "");
        }
    }
    dialog.window->hide();
}

TEST(InputsDialog, ResetGivesItsFieldValuesAndKeepsTheRemoteHost) {
    InputsDialog dialog;
    dialogtest::press(dialog.localState);
    dialog.multicastFile->value("ports.mcp");
    dialog.stateFile->value("state.txt");
    dialog.remoteHost->value("maps.example");
    dialog.remoteFile->value("state.txt");
    dialog.clientHost->value("10.0.0.1");
    for (Fl_Value_Input* field : {dialog.buffersPerPort, dialog.bytesPerBuffer, dialog.remotePort,
                                  dialog.clientPort, dialog.serverPort}) {
        field->value(7);
    }
    dialog.resetInputsDialog();
    EXPECT_EQ(dialog.multicast->value(), 1);
    for (Fl_Round_Button* button :
         {dialog.remoteState, dialog.localState, dialog.server, dialog.client}) {
        EXPECT_EQ(button->value(), 0) << button->label();
    }
    for (Fl_Input* emptied :
         {static_cast<Fl_Input*>(dialog.multicastFile), static_cast<Fl_Input*>(dialog.stateFile),
          dialog.remoteFile, dialog.clientHost}) {
        EXPECT_STREQ(emptied->value(), "");
    }
    EXPECT_EQ(dialog.remotePort->value(), 80.0);
    for (Fl_Value_Input* zeroed :
         {dialog.clientPort, dialog.serverPort, dialog.buffersPerPort, dialog.bytesPerBuffer}) {
        EXPECT_EQ(zeroed->value(), 0.0) << zeroed->label();
    }
    EXPECT_STREQ(dialog.remoteHost->value(), "maps.example");
}

} // namespace
