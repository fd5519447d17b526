#include "ui/OutputsDialog.h"

#include "tests/support/FltkEvents.h"
#include "tests/support/TempDir.h"
#include "tests/ui/ChooserDriver.h"
#include "tests/ui/DialogTestSupport.h"

#include <FL/Fl_Box.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Double_Window.H>
#include <FL/Fl_File_Chooser.H>
#include <FL/Fl_Light_Button.H>
#include <FL/Fl_Output.H>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace {

// The counter counts written snapshots in its own format; the application's texts do not reset
// it, and label texts are the dialog's own copies, cut at 255 characters.
TEST(OutputsDialog, CounterStatusAndSnapshotFlags) {
    OutputsDialog dialog;
    EXPECT_EQ(dialog.widget(0), nullptr);
    EXPECT_EQ(dialog.widget(14), nullptr);
    EXPECT_EQ(dialog.widget(10), dialog.counter);
    EXPECT_EQ(dialog.snapshotWritten(), 1);
    EXPECT_STREQ(dialog.counter->label(), "Frames set: 00000001");
    dialog.setCounterText("Counter 00000000000000");
    EXPECT_STREQ(dialog.counter->label(), "Counter 00000000000000");
    EXPECT_EQ(dialog.snapshotWritten(), 2);
    EXPECT_STREQ(dialog.counter->label(), "Frames set: 00000002");
    std::string text = "State File Generation is Off";
    dialog.setStatusText(text.c_str());
    text.assign("changed");
    EXPECT_STREQ(dialog.status->label(), "State File Generation is Off");
    dialog.setCounterText(std::string(300, 'c').c_str());
    EXPECT_EQ(std::string(dialog.counter->label()), std::string(255, 'c'));
    dialog.setStatusText(nullptr);
    EXPECT_STREQ(dialog.status->label(), "");
    EXPECT_TRUE(dialog.snapshotEnabled());
    for (bool on : {true, false}) {
        dialogtest::press(dialog.onOff);
        EXPECT_EQ(dialog.snapshotEnabled(), on);
        EXPECT_STREQ(dialog.status->label(), on ? "Snapshot is ON" : "Snapshot is OFF");
    }
    EXPECT_FALSE(dialog.snapshotRequested());
    dialog.requestSnapshot(nullptr);
    EXPECT_TRUE(dialog.snapshotRequested());
    EXPECT_EQ(dialog.snapshotCount(), 2);
}

class OutputsDialogFileTest : public ::testing::Test {
protected:
    testsupport::TempDir dir;
    dialogtest::WorkingDirectory cwd{dir.path()};
    std::filesystem::path here = std::filesystem::current_path();
    OutputsDialog dialog;
};

// Names are stored relative; an empty or null one names no file, a too long one is refused and
// the field goes on showing the name the snapshots go to.
TEST_F(OutputsDialogFileTest, SetAndChosenNamesAreStoredRelative) {
    const std::string tooLong = (here / std::string(300, 'x')).string();
    struct Case {
        std::string name;
        bool chosen;        // through the chooser's callback rather than the setter
        const char* stored; // null: no file
    };
    const Case cases[] = {
        {tooLong, false, "state.txt"},
        {(here / "out" / "snap.txt").string(), false, "out/snap.txt"},
        {"", false, nullptr},
        {"relative.txt", false, "relative.txt"},
        {(here / "snap.txt").string(), true, "snap.txt"},
        {tooLong, true, "snap.txt"},
    };
    EXPECT_STREQ(dialog.snapshotFileName(), "state.txt");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name.substr(0, 60));
        if (c.chosen) {
            dialog.snapshotChosen(c.name.c_str());
        } else {
            dialog.snapshotFile->value("stale");
            dialog.setSnapshotFile(c.name.c_str());
        }
        EXPECT_STREQ(dialog.snapshotFileName(), c.stored);
        EXPECT_STREQ(dialog.snapshotFile->value(), c.stored != nullptr ? c.stored : "");
    }
    dialog.setSnapshotFile(nullptr);
    EXPECT_EQ(dialog.snapshotFileName(), nullptr);
    EXPECT_STREQ(dialog.snapshotFile->value(), "");
}

// "Output File", a click on the node file, Cancel: the snapshots must not go to the node file.
// The cases run in turn on one dialog, each opening the chooser with the button as a user does.
TEST_F(OutputsDialogFileTest, OnlyAChooserClosedWithANameChangesTheSnapshotFile) {
    dir.write("nodes.txt", "1 Lead\n");
    dir.write("other.txt", "\n");
    dialogtest::fillFolder(dir.path().string());
    using A = dialogtest::ChooserDriver::Action;
    struct Case {
        std::vector<A> actions;
        const char* stored;
    };
    const Case cases[] = {
        {{{A::Click, "nodes.txt"}, {A::Cancel}}, "state.txt"},
        {{{A::Click, "nodes.txt"}, {A::Close}}, "state.txt"},
        {{{A::Click, "nodes.txt"}, {A::Ok}}, "nodes.txt"},
        {{{A::Click, "other.txt"}, {A::Cancel}}, "nodes.txt"},
    };
    dialog.window->show();
    for (const Case& c : cases) {
        SCOPED_TRACE(&c - cases);
        testsupport::click(dialog.snapshotButton);
        dialogtest::ChooserDriver driver(dialog.snapshotChooser());
        ASSERT_TRUE(driver.found());
        const std::string before = dialog.snapshotFileName();
        // All but the last action: the name must not change while the chooser is open.
        EXPECT_TRUE(driver.perform({c.actions.begin(), c.actions.end() - 1}));
        Fl::wait(0.0);
        EXPECT_EQ(dialog.snapshotFileName(), before);
        EXPECT_EQ(dialog.snapshotFile->value(), before);
        driver.perform({c.actions.back()});
        ASSERT_TRUE(driver.closed());
        EXPECT_STREQ(dialog.snapshotFileName(), c.stored);
        EXPECT_STREQ(dialog.snapshotFile->value(), c.stored);
    }
    dialog.window->hide();
}

} // namespace
