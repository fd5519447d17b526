#include "ui/MasterConfigDialog.h"

#include "tests/render/FltkWait.h"
#include "tests/support/FltkEvents.h"

#include <FL/Fl.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Double_Window.H>
#include <FL/Fl_Output.H>
#include <gtest/gtest.h>

#include <string>

namespace {

using D = MasterConfigDialog;
const D::NameField allFields[] = {D::kMaster,  D::kNodeFile, D::kPortFile,      D::kNodeDefFile,
                                  D::kMapFile, D::kWwwFile,  D::kPreferenceFile};
// The read-only name field of each, by widget number: the last of its row of six.
const int fieldNumbers[] = {6, 12, 18, 24, 30, 36, 42};

std::string textOf(const Fl_Widget* widget) {
    return static_cast<const Fl_Output*>(widget)->value();
}

TEST(MasterConfigDialog, EachNameGoesToItsOwnFieldAsItsOwnCopy) {
    D dialog;
    for (int number : {-1, 0, 43}) {
        EXPECT_EQ(dialog.widget(number), nullptr) << number;
    }
    for (int i = 0; i < 7; ++i) {
        SCOPED_TRACE(fieldNumbers[i]);
        const auto* field = dynamic_cast<const Fl_Output*>(dialog.widget(fieldNumbers[i]));
        ASSERT_NE(field, nullptr);
        EXPECT_TRUE(field->readonly());
        dialog.clearNames();
        std::string name = "maps/site.cfg";
        dialog.setName(allFields[i], name.c_str());
        name.assign("overwritten");
        for (int j = 0; j < 7; ++j) {
            EXPECT_EQ(textOf(dialog.widget(fieldNumbers[j])), i == j ? "maps/site.cfg" : "");
            EXPECT_STREQ(dialog.name(allFields[j]), i == j ? "maps/site.cfg" : "");
        }
        dialog.setName(allFields[i], nullptr);
        EXPECT_STREQ(dialog.name(allFields[i]), "");
    }
    dialog.setName(D::kNodeFile, "x");
    dialog.clearNames();
    EXPECT_EQ(textOf(dialog.widget(12)), "");
}

// The builder binds no button: a click reaches its default callback and changes no name.
TEST(MasterConfigDialog, ClickingEveryLabelledButtonChangesNoField) {
    D dialog;
    for (int i = 0; i < 7; ++i) {
        dialog.setName(allFields[i], ("file" + std::to_string(i)).c_str());
    }
    dialog.show();
    Fl_Double_Window* window = dialog.window();
    ASSERT_TRUE(fltktest::waitFor([window] { return window->visible() && !window->damage(); }));
    while (Fl::readqueue() != nullptr) {
    }
    int clicked = 0;
    for (int number = 1; number <= 42; ++number) {
        Fl_Widget* button = dialog.widget(number);
        if (dynamic_cast<Fl_Button*>(button) == nullptr || button->label() == nullptr) {
            continue;
        }
        SCOPED_TRACE(number);
        ++clicked;
        EXPECT_TRUE(button->active());
        testsupport::click(button);
        EXPECT_EQ(Fl::readqueue(), button);
        for (int i = 0; i < 7; ++i) {
            EXPECT_EQ(std::string(dialog.name(allFields[i])), "file" + std::to_string(i));
        }
    }
    EXPECT_EQ(clicked, 4 + 4 * 2 + 2 * 5);
    window->hide();
    Fl::wait(0);
}

} // namespace
