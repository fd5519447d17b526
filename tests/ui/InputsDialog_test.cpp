#include "ui/InputsDialog.h"

#include "tests/support/FltkEvents.h"
#include "tests/support/TempDir.h"
#include "tests/ui/ChooserDriver.h"
#include "tests/ui/DialogTestSupport.h"

#include <FL/Fl_Button.H>
#include <FL/Fl_Double_Window.H>
#include <FL/Fl_File_Chooser.H>
#include <FL/Fl_Input.H>
#include <FL/Fl_Output.H>
#include <FL/Fl_Round_Button.H>
#include <FL/Fl_Value_Input.H>
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

namespace {

TEST(InputsDialog, ModeButtonsAreExclusiveAndResetKeepsOnlyTheRemoteHost) {
    InputsDialog d;
    EXPECT_EQ(d.widget(0), nullptr);
    EXPECT_EQ(d.widget(21), nullptr);
    EXPECT_EQ(d.widget(20), d.serverPort);
    Fl_Round_Button* modes[] = {d.multicast, d.remoteState, d.localState, d.server, d.client};
    // Each pressed button leaves only itself on, and stays on when pressed again.
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
    d.multicastFile->value("ports.mcp");
    d.stateFile->value("state.txt");
    d.remoteHost->value("maps.example");
    d.remoteFile->value("state.txt");
    d.clientHost->value("10.0.0.1");
    Fl_Value_Input* numbers[] = {d.remotePort, d.clientPort, d.serverPort, d.buffersPerPort,
                                 d.bytesPerBuffer};
    for (Fl_Value_Input* field : numbers) {
        field->value(7);
    }
    d.resetInputsDialog();
    for (Fl_Round_Button* button : modes) {
        EXPECT_EQ(button->value(), button == d.multicast ? 1 : 0) << button->label();
    }
    for (Fl_Input* emptied : {static_cast<Fl_Input*>(d.multicastFile),
                              static_cast<Fl_Input*>(d.stateFile), d.remoteFile, d.clientHost}) {
        EXPECT_STREQ(emptied->value(), "");
    }
    for (Fl_Value_Input* field : numbers) {
        EXPECT_EQ(field->value(), field == d.remotePort ? 80.0 : 0.0) << field->label();
    }
    EXPECT_STREQ(d.remoteHost->value(), "maps.example");
}

// The user opens each chooser with its button, clicks a file and cancels, then does the same
// and presses OK: only OK changes the name and the field, which show it relative.
TEST(InputsDialogChooserTest, OnlyOkInAChooserStoresTheNameRelative) {
    testsupport::TempDir dir;
    dialogtest::WorkingDirectory cwd{dir.path()};
    const std::filesystem::path here = std::filesystem::current_path();
    InputsDialog dialog;
    dir.write("ports.mcp", "fleet 239.192.0.1 5500\n");
    dir.write("nodes.txt", "1 Lead\n");
    dialogtest::fillFolder(dir.path().string());
    struct Case {
        Fl_Button* button;
        Fl_File_Chooser* chooser;
        const char* file;
        std::function<const char*()> name;
        std::function<void(const char*)> choose;
        Fl_Output* field;
    };
    const Case cases[] = {
        {dialog.multicastFileButton, dialog.multicastChooser(), "ports.mcp",
         [&] { return dialog.multicastFileName(); },
         [&](const char* path) { dialog.multicastFileChosen(path); }, dialog.multicastFile},
        {dialog.stateFileButton, dialog.stateChooser(), "nodes.txt",
         [&] { return dialog.stateFileName(); },
         [&](const char* path) { dialog.stateFileChosen(path); }, dialog.stateFile},
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
        c.choose((here.parent_path() / "feeds" / "other.txt").c_str());
        EXPECT_STREQ(c.name(), "../feeds/other.txt");
        EXPECT_STREQ(c.field->value(), "../feeds/other.txt");
    }
    dialog.window->hide();
}

} // namespace
