#include "ui/OutputsDialog.h"

#include "tests/support/FltkEvents.h"
#include "tests/support/TempDir.h"
#include "tests/ui/ChooserDriver.h"
#include "tests/ui/DialogTestSupport.h"

#include <FL/Fl_Box.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Check_Button.H>
#include <FL/Fl_Choice.H>
#include <FL/Fl_Double_Window.H>
#include <FL/Fl_File_Chooser.H>
#include <FL/Fl_Light_Button.H>
#include <FL/Fl_Output.H>
#include <FL/Fl_Pack.H>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace {

using dialogtest::Placed;

struct Numbered {
    Placed placed;
    bool active;
    bool visible;
};

const Numbered numbered[] = {
    {{1, 10, 45, 25, 25, "Local state snapshot file"}, true, true},
    {{2, 10, 75, 25, 25, "Client sending"}, false, true},
    {{3, 10, 105, 25, 25, "Server sending"}, false, true},
    {{4, 360, 45, 100, 25, " Local file update rate"}, true, true},
    {{5, 360, 75, 100, 25, "Client data update rate"}, false, true},
    {{6, 10, 179, 100, 25, "Output File"}, true, true},
    {{7, 115, 180, 349, 25, nullptr}, true, true},
    {{8, 10, 208, 100, 25, "On/Off   "}, true, false},
    {{9, 115, 208, 315, 25, "Snapshot is OFF"}, true, false},
    {{10, 10, 239, 315, 25, "Frames set: 00000000"}, true, true},
    {{11, 10, 313, 230, 25, nullptr}, false, true},
    {{12, 10, 343, 230, 25, nullptr}, false, true},
    {{13, 10, 415, 230, 25, nullptr}, false, true},
};

TEST(OutputsDialog, WindowPackAndSectionsAsLaidOut) {
    OutputsDialog dialog;
    EXPECT_EQ(dialog.window->w(), 474);
    EXPECT_EQ(dialog.window->h(), 461);
    EXPECT_STREQ(dialog.window->label(), "Input/Output definitions: Outputs");
    const Fl_Pack* pack = dynamic_cast<const Fl_Pack*>(dialog.window->child(0));
    ASSERT_NE(pack, nullptr);
    dialogtest::expectPlaced(pack, {0, 0, 1, 472, 460, nullptr});
    ASSERT_EQ(pack->children(), 5);
    const Placed groups[] = {{0, 5, 9, 467, 131, nullptr},
                             {0, 5, 143, 467, 132, nullptr},
                             {0, 5, 278, 467, 98, nullptr},
                             {0, 5, 380, 467, 66, nullptr}};
    const Placed headers[] = {{0, 10, 14, 456, 25, "Output Mode Selection"},
                              {0, 10, 148, 456, 25, "State File Generation"},
                              {0, 10, 283, 456, 25, "Client sending state data packets"},
                              {0, 10, 385, 456, 25, "Server sending state data packets"}};
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(headers[i].label);
        dialogtest::expectSection(pack->child(i + 1), groups[i], headers[i]);
        EXPECT_EQ(pack->child(i + 1)->active() != 0, i < 2);
    }
}

TEST(OutputsDialog, NumberedWidgetsAsLaidOut) {
    OutputsDialog dialog;
    for (const Numbered& n : numbered) {
        SCOPED_TRACE(n.placed.number);
        const Fl_Widget* widget = dialog.widget(n.placed.number);
        dialogtest::expectPlaced(widget, n.placed);
        EXPECT_EQ(widget->active_r() != 0, n.active);
        EXPECT_EQ(widget->visible() != 0, n.visible);
    }
    EXPECT_EQ(dialog.widget(0), nullptr);
    EXPECT_EQ(dialog.widget(14), nullptr);
    EXPECT_EQ(dialog.status->align(), FL_ALIGN_LEFT | FL_ALIGN_INSIDE);
    EXPECT_EQ(dialog.counter->align(), FL_ALIGN_LEFT | FL_ALIGN_INSIDE);
    EXPECT_TRUE(dialog.snapshotFile->readonly());
    // The captions beside the unlabelled send fields.
    const Placed captions[] = {{11, 245, 313, 220, 24, "IP address/name"},
                               {12, 245, 343, 220, 25, "Port Number"},
                               {13, 245, 415, 220, 24, "Port Number"}};
    for (const Placed& caption : captions) {
        const Fl_Group* group = dialog.widget(caption.number)->parent();
        dialogtest::expectPlaced(group->child(group->find(dialog.widget(caption.number)) + 1),
                                 caption);
    }
}

TEST(OutputsDialog, StartsWithStateTxtEnabledAndNothingCounted) {
    OutputsDialog dialog;
    EXPECT_STREQ(dialog.snapshotFileName(), "state.txt");
    EXPECT_STREQ(dialog.snapshotFile->value(), "state.txt");
    EXPECT_TRUE(dialog.snapshotEnabled());
    EXPECT_FALSE(dialog.snapshotRequested());
    EXPECT_EQ(dialog.snapshotCount(), 0);
    EXPECT_EQ(dialog.localSnapshot->value(), 0);
    EXPECT_EQ(dialog.onOff->value(), 0);
    EXPECT_EQ(dialog.localRate->size(), 0);
    EXPECT_EQ(dialog.localRate->callback(), Fl_Widget::default_callback);
}

TEST(OutputsDialog, EachSnapshotWrittenAdvancesTheCounterText) {
    OutputsDialog dialog;
    EXPECT_EQ(dialog.snapshotWritten(), 1);
    EXPECT_STREQ(dialog.counter->label(), "Frames set: 00000001");
    dialog.snapshotWritten();
    EXPECT_EQ(dialog.snapshotWritten(), 3);
    EXPECT_STREQ(dialog.counter->label(), "Frames set: 00000003");
    EXPECT_EQ(dialog.snapshotCount(), 3);
    // The application's own counter text does not reset the count.
    dialog.setCounterText("Counter 00000000000000");
    EXPECT_STREQ(dialog.counter->label(), "Counter 00000000000000");
    EXPECT_EQ(dialog.snapshotWritten(), 4);
}

TEST(OutputsDialog, LabelTextsAreTheDialogsOwnCopies) {
    OutputsDialog dialog;
    std::string text = "State File Generation is Off";
    dialog.setStatusText(text.c_str());
    text.assign("changed");
    EXPECT_STREQ(dialog.status->label(), "State File Generation is Off");
    dialog.setCounterText(std::string(300, 'c').c_str());
    EXPECT_EQ(std::string(dialog.counter->label()), std::string(255, 'c'));
    dialog.setStatusText(nullptr);
    EXPECT_STREQ(dialog.status->label(), "");
}

TEST(OutputsDialog, ToggleFollowsTheLightButton) {
    OutputsDialog dialog;
    dialogtest::press(dialog.onOff);
    EXPECT_TRUE(dialog.snapshotEnabled());
    EXPECT_STREQ(dialog.status->label(), "Snapshot is ON");
    dialogtest::press(dialog.onOff);
    EXPECT_FALSE(dialog.snapshotEnabled());
    EXPECT_STREQ(dialog.status->label(), "Snapshot is OFF");
}

TEST(OutputsDialog, RequestSnapshotOnlyRaisesItsFlag) {
    OutputsDialog dialog;
    dialog.requestSnapshot(nullptr);
    EXPECT_TRUE(dialog.snapshotRequested());
    EXPECT_EQ(dialog.snapshotCount(), 0);
    EXPECT_STREQ(dialog.snapshotFileName(), "state.txt");
}

TEST(OutputsDialog, SnapshotChooserAsDescribedAndNotShown) {
    OutputsDialog dialog;
    Fl_File_Chooser* chooser = dialog.snapshotChooser();
    ASSERT_NE(chooser, nullptr);
    EXPECT_STREQ(chooser->label(), "Select Snapshot file");
    EXPECT_STREQ(chooser->filter(), "*.txt");
    EXPECT_EQ(chooser->type(), Fl_File_Chooser::CREATE);
    EXPECT_FALSE(chooser->shown());
}

class OutputsDialogFileTest : public ::testing::Test {
protected:
    testsupport::TempDir dir;
    dialogtest::WorkingDirectory cwd{dir.path()};
    std::filesystem::path here = std::filesystem::current_path();
    OutputsDialog dialog;
};

TEST_F(OutputsDialogFileTest, SetSnapshotFileStoresRelativeNamesAndNullClears) {
    dialog.setSnapshotFile((here / "out" / "snap.txt").c_str());
    EXPECT_STREQ(dialog.snapshotFileName(), "out/snap.txt");
    EXPECT_STREQ(dialog.snapshotFile->value(), "out/snap.txt");
    dialog.setSnapshotFile(nullptr);
    EXPECT_EQ(dialog.snapshotFileName(), nullptr);
    EXPECT_STREQ(dialog.snapshotFile->value(), "");
    dialog.setSnapshotFile("relative.txt");
    EXPECT_STREQ(dialog.snapshotFileName(), "relative.txt");
    dialog.setSnapshotFile("");
    EXPECT_EQ(dialog.snapshotFileName(), nullptr);
}

TEST_F(OutputsDialogFileTest, ATooLongNameIsRefusedAndTheFieldShowsTheStoredOne) {
    dialog.snapshotFile->value((here / std::string(300, 'x')).c_str());
    dialog.setSnapshotFile((here / std::string(300, 'x')).c_str());
    EXPECT_STREQ(dialog.snapshotFileName(), "state.txt");
    EXPECT_STREQ(dialog.snapshotFile->value(), "state.txt");
}

TEST_F(OutputsDialogFileTest, AChosenSnapshotIsStoredRelative) {
    dialog.snapshotChosen((here / "snap.txt").c_str());
    EXPECT_STREQ(dialog.snapshotFileName(), "snap.txt");
    EXPECT_STREQ(dialog.snapshotFile->value(), "snap.txt");
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
