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

namespace {

using D = dialogtest::ChooserDriver;

// A name is handed over only when the chooser closes with it: OK, a double click, Enter.
class ChooserTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir.write("nodes.txt", "1 Lead\n");
        dir.write("other.txt", "\n");
        dir.write("ports.mcp", "fleet 239.192.0.1 5500\n");
        dialogtest::fillFolder(dir.path().string());
    }
    testsupport::TempDir dir;
    testsupport::WorkingDirectory cwd{dir.path()};
};

TEST_F(ChooserTest, ANameIsHandedOverOnlyWhenTheChooserClosesWithIt) {
    Fl_File_Chooser chooser{".", "text files (*.txt)", Fl_File_Chooser::CREATE, "Pick a file"};
    std::vector<std::string> taken;
    ChooserResult result;
    result.attach(
        &chooser,
        [](void* names, const char* path) {
            static_cast<std::vector<std::string>*>(names)->emplace_back(path);
        },
        &taken);
    const struct {
        std::vector<D::Action> actions;
        const char* taken; // "" for none
    } sessions[] = {
        {{{D::Click, "nodes.txt"}, {D::Cancel}}, ""},
        {{{D::Click, "nodes.txt"}, {D::Close}}, ""},
        {{{D::Click, "nodes.txt"}, {D::Click, "other.txt"}, {D::Cancel}}, ""},
        {{{D::Type, "new.txt"}, {D::Cancel}}, ""},
        {{{D::Click, "nodes.txt"}, {D::Ok}}, "nodes.txt"},
        {{{D::Click, "other.txt"}, {D::Click, "nodes.txt"}, {D::Ok}}, "nodes.txt"},
        {{{D::DoubleClick, "other.txt"}}, "other.txt"},
        {{{D::Type, "new.txt"}, {D::Enter}}, "new.txt"},
        {{{D::Click, "nodes.txt"}, {D::Type, "new.txt"}, {D::Ok}}, "new.txt"},
    };
    for (const auto& s : sessions) {
        SCOPED_TRACE(&s - sessions);
        taken.clear();
        chooser.show();
        D driver(&chooser);
        ASSERT_TRUE(driver.found());
        EXPECT_TRUE(driver.perform(s.actions));
        ASSERT_TRUE(driver.closed());
        EXPECT_EQ(taken, *s.taken ? std::vector{(dir.path() / s.taken).string()}
                                  : std::vector<std::string>{});
    }
}

// Each dialog's chooser, opened with its button as a user does: a click on a file changes
// nothing while it is open, nor does Cancel after it; OK stores the name relative and shows it.
TEST_F(ChooserTest, DialogsTakeOnlyANameTheirChooserClosesWith) {
    InputsDialog in;
    OutputsDialog out;
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
        SCOPED_TRACE(c.file);
        c.window->show();
        const std::string before = c.name() != nullptr ? c.name() : "";
        for (D::Kind close : {D::Cancel, D::Ok}) {
            testsupport::click(c.button);
            D driver(c.chooser);
            ASSERT_TRUE(driver.found());
            EXPECT_TRUE(driver.perform({{D::Click, c.file}}));
            Fl::wait(0.0);
            EXPECT_EQ(c.name() != nullptr ? c.name() : "", before);
            driver.perform({{close}});
            ASSERT_TRUE(driver.closed());
            EXPECT_STREQ(c.field->value(), close == D::Ok ? c.file : before.c_str());
            EXPECT_EQ(c.name() != nullptr ? c.name() : "", close == D::Ok ? c.file : before);
        }
        c.window->hide();
    }
}

} // namespace
