#include "ui/OutputsDialog.h"

#include "tests/support/TempDir.h"
#include "tests/support/WorkingDirectory.h"
#include "tests/ui/ChooserDriver.h"

#include <FL/Fl_Box.H>
#include <FL/Fl_Light_Button.H>
#include <FL/Fl_Output.H>
#include <gtest/gtest.h>

// The counter counts written snapshots in its own format, whatever text was set; label texts
// are the dialog's own copies, cut at 255 characters; the switch says what it did.
TEST(OutputsDialog, CounterStatusSnapshotFlagsAndFile) {
    OutputsDialog d;
    EXPECT_EQ(d.snapshotWritten(), 1);
    d.setCounterText(std::string(300, 'c').c_str());
    EXPECT_EQ(std::string(d.counter->label()), std::string(255, 'c'));
    EXPECT_EQ(d.snapshotWritten(), 2);
    EXPECT_STREQ(d.counter->label(), "Frames set: 00000002");
    std::string text = "State File Generation is Off";
    d.setStatusText(text.c_str());
    text.assign("changed");
    EXPECT_STREQ(d.status->label(), "State File Generation is Off");
    d.setStatusText(nullptr);
    EXPECT_STREQ(d.status->label(), "");
    EXPECT_TRUE(d.snapshotEnabled());
    for (bool on : {true, false}) {
        dialogtest::press(d.onOff);
        EXPECT_EQ(d.snapshotEnabled(), on);
        EXPECT_STREQ(d.status->label(), on ? "Snapshot is ON" : "Snapshot is OFF");
    }
    EXPECT_FALSE(d.snapshotRequested());
    d.requestSnapshot(nullptr);
    EXPECT_TRUE(d.snapshotRequested());
    EXPECT_EQ(d.snapshotCount(), 2);

    // Names set or chosen are stored relative, up to 255 characters; an empty one names no file;
    // a longer one is refused whole and the field goes on showing the name the snapshots go to.
    testsupport::TempDir dir;
    std::filesystem::create_directory(dir.path() / "maps");
    testsupport::WorkingDirectory cwd{dir.path() / "maps"};
    const std::filesystem::path here = dir.path() / "maps";
    const std::string tooLong = (here / std::string(256, 'x')).string(), longest(255, 'y');
    const struct {
        std::string name;
        bool chosen;        // through the chooser's callback rather than the setter
        const char* stored; // null: no file
    } cases[] = {
        {tooLong, false, "state.txt"},
        {(here / "out" / "snap.txt").string(), false, "out/snap.txt"},
        {(dir.path() / "up.txt").string(), false, "../up.txt"},
        {"", false, nullptr},
        {"already/relative.txt", false, "already/relative.txt"},
        {(here / longest).string(), true, longest.c_str()},
        {(here / "snap.txt").string(), true, "snap.txt"},
        {tooLong, true, "snap.txt"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name.substr(0, 60));
        if (c.chosen) {
            d.snapshotChosen(c.name.c_str());
        } else {
            d.snapshotFile->value("stale");
            d.setSnapshotFile(c.name.c_str());
        }
        EXPECT_STREQ(d.snapshotFileName(), c.stored);
        EXPECT_STREQ(d.snapshotFile->value(), c.stored != nullptr ? c.stored : "");
    }
}
