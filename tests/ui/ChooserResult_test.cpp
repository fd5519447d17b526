#include "ui/ChooserResult.h"

#include "ui/InputsDialog.h"
#include "ui/OutputsDialog.h"

#include "tests/support/TempDir.h"
#include "tests/support/WorkingDirectory.h"
#include "tests/ui/ChooserDriver.h"

#include <FL/Fl_Double_Window.H>
#include <FL/Fl_Output.H>
#include <gtest/gtest.h>

#include <functional>

// Each dialog's chooser, opened with its button as a user does: after a click on a file, Cancel
// or closing the window changes nothing; OK stores the name relative and shows it.
TEST(ChooserResult, DialogsTakeOnlyTheNameTheirChooserClosesWithByOk) {
    using D = dialogtest::ChooserDriver;
    testsupport::TempDir dir;
    testsupport::WorkingDirectory cwd{dir.path()};
    dir.write("nodes.txt", "1 Lead\n");
    dir.write("ports.mcp", "fleet 239.192.0.1 5500\n");
    dialogtest::fillFolder(dir.path().string());
    struct : OutputsDialog { // counts the names handed over: only OK's may arrive
        void snapshotChosen(const char* path) override {
            ++handed;
            OutputsDialog::snapshotChosen(path);
        }
        int handed = 0;
    } out;
    InputsDialog in;
    const struct {
        Fl_Window* window;
        Fl_Button* button;
        Fl_File_Chooser* chooser;
        const char* file;
        std::function<const char*()> name;
        Fl_Output* field;
    } cases[] = {
        {in.window, in.multicastFileButton, in.multicastChooser(), "ports.mcp",
         [&] { return in.multicastFileName(); }, in.multicastFile},
        {in.window, in.stateFileButton, in.stateChooser(), "nodes.txt",
         [&] { return in.stateFileName(); }, in.stateFile},
        {out.window, out.snapshotButton, out.snapshotChooser(), "nodes.txt",
         [&] { return out.snapshotFileName(); }, out.snapshotFile},
    };
    for (const auto& c : cases) {
        c.window->show();
        const std::string before = c.name() != nullptr ? c.name() : "";
        for (D::Kind close : {D::Cancel, D::Close, D::Ok}) {
            SCOPED_TRACE(testing::Message() << c.file << " closed by " << close);
            testsupport::click(c.button);
            D driver(c.chooser);
            ASSERT_TRUE(driver.found());
            EXPECT_TRUE(driver.click(c.file));
            if (close != D::Cancel) { // the click's deferred check runs while open, else after
                Fl::wait(0.0);
            }
            driver.close(close);
            ASSERT_TRUE(driver.closed());
            const std::string after = close == D::Ok ? c.file : before;
            EXPECT_EQ(c.name() != nullptr ? c.name() : "", after);
            EXPECT_EQ(c.field->value(), after);
        }
        c.window->hide();
    }
    EXPECT_EQ(out.handed, 1);
}
