#include "ui/MasterConfigDialog.h"

#include <FL/Fl_Button.H>
#include <FL/Fl_Output.H>
#include <gtest/gtest.h>

#include <string>

// Each name goes to its own read-only field (the last of its row of six widgets) as its own
// copy, the others keep theirs; the builder binds no button (the application does).
TEST(MasterConfigDialog, NamesInTheirFieldsAndButtonsUnbound) {
    using D = MasterConfigDialog;
    const D::NameField fields[] = {D::kMaster,  D::kNodeFile, D::kPortFile,      D::kNodeDefFile,
                                   D::kMapFile, D::kWwwFile,  D::kPreferenceFile};
    D dialog;
    const auto field = [&](int i) { return static_cast<Fl_Output*>(dialog.widget(6 * i + 6)); };
    for (int i = 0; i < 7; ++i) {
        ASSERT_TRUE(field(i)->readonly()) << i;
        std::string name = "maps/site.cfg";
        dialog.setName(fields[i], name.c_str());
        name.assign("overwritten");
        for (int j = 0; j < 7; ++j) {
            const std::string want = j < i ? std::to_string(j) : j == i ? "maps/site.cfg" : "";
            EXPECT_EQ(field(j)->value(), want) << i << " " << j;
            EXPECT_EQ(dialog.name(fields[j]), want) << i << " " << j;
        }
        dialog.setName(fields[i], nullptr);
        EXPECT_STREQ(dialog.name(fields[i]), "");
        dialog.setName(fields[i], std::to_string(i).c_str());
    }
    dialog.clearNames();
    EXPECT_STREQ(field(1)->value(), "");
    for (int number = 1; number <= 42; ++number) {
        if (auto* b = dynamic_cast<Fl_Button*>(dialog.widget(number)); b && b->label()) {
            EXPECT_EQ(b->callback(), Fl_Widget::default_callback) << number;
        }
    }
}
