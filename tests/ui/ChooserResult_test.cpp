#include "ui/ChooserResult.h"

#include "tests/support/TempDir.h"
#include "tests/ui/ChooserDriver.h"
#include "tests/ui/DialogTestSupport.h"

#include <FL/Fl_File_Chooser.H>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using dialogtest::ChooserDriver;

void record(void* names, const char* path) {
    static_cast<std::vector<std::string>*>(names)->emplace_back(path);
}

class ChooserResultTest : public ::testing::Test {
protected:
    ChooserResultTest() {
        dir.write("nodes.txt", "1 Lead\n");
        dir.write("other.txt", "\n");
        dialogtest::fillFolder(dir.path().string());
        result.attach(&chooser, record, &taken);
    }

    testsupport::TempDir dir;
    dialogtest::WorkingDirectory cwd{dir.path()};
    Fl_File_Chooser chooser{".", "text files (*.txt)", Fl_File_Chooser::CREATE, "Pick a file"};
    std::vector<std::string> taken;
    ChooserResult result;
};

struct Session {
    std::vector<ChooserDriver::Action> actions;
    // The name handed over once the chooser is closed; "" for none.
    const char* taken;
};

TEST_F(ChooserResultTest, ANameIsHandedOverOnlyWhenTheChooserClosesWithIt) {
    using A = ChooserDriver::Action;
    const Session sessions[] = {
        {{{A::Click, "nodes.txt"}, {A::Cancel}}, ""},
        {{{A::Click, "nodes.txt"}, {A::Close}}, ""},
        {{{A::Click, "nodes.txt"}, {A::Click, "other.txt"}, {A::Cancel}}, ""},
        {{{A::Type, "new.txt"}, {A::Cancel}}, ""},
        {{{A::Click, "nodes.txt"}, {A::Ok}}, "nodes.txt"},
        {{{A::Click, "other.txt"}, {A::Click, "nodes.txt"}, {A::Ok}}, "nodes.txt"},
        {{{A::DoubleClick, "other.txt"}}, "other.txt"},
        {{{A::Type, "new.txt"}, {A::Enter}}, "new.txt"},
        {{{A::Click, "nodes.txt"}, {A::Type, "new.txt"}, {A::Ok}}, "new.txt"},
    };
    for (const Session& s : sessions) {
        SCOPED_TRACE(&s - sessions);
        taken.clear();
        chooser.show();
        ChooserDriver driver(&chooser);
        ASSERT_TRUE(driver.found());
        EXPECT_TRUE(driver.perform(s.actions));
        ASSERT_TRUE(driver.closed());
        const std::vector<std::string> expected =
            s.taken[0] == '\0' ? std::vector<std::string>{}
                               : std::vector<std::string>{(dir.path() / s.taken).string()};
        EXPECT_EQ(taken, expected);
    }
}

} // namespace
