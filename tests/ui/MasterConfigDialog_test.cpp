#include "ui/MasterConfigDialog.h"

#include "tests/render/FltkWait.h"
#include "tests/support/FltkEvents.h"

#include <FL/Fl.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Double_Window.H>
#include <FL/Fl_Group.H>
#include <FL/Fl_Output.H>
#include <FL/Fl_Pack.H>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct Expected {
    int number;
    bool field; // read-only name field; otherwise a button
    int x;
    int y;
    int w;
    int h;
    const char* label; // null: no label
};

// Every numbered widget as laid out: the top row, then six sections 85 pixels apart.
std::vector<Expected> layout() {
    std::vector<Expected> widgets = {
        {1, false, 10, 45, 80, 25, "Load"},   {2, false, 103, 45, 80, 25, "Reload"},
        {3, false, 197, 45, 80, 25, "Save"},  {4, false, 291, 45, 80, 25, "Save As"},
        {5, false, 385, 45, 80, 25, nullptr}, {6, true, 10, 75, 455, 25, nullptr},
    };
    const char* const fileRow[] = {"Load", "Reload", nullptr, nullptr, nullptr};
    const char* const editRow[] = {"Load", "Reload", "Save", "Save As", "Edit"};
    const int buttonX[] = {17, 107, 197, 287, 377};
    int number = 7;
    for (int section = 0; section < 6; ++section) {
        const int y = 110 + 85 * section;
        const char* const* labels = section < 4 ? fileRow : editRow;
        for (int i = 0; i < 5; ++i) {
            widgets.push_back({number++, false, buttonX[i], y + 26, 80, 25, labels[i]});
        }
        widgets.push_back({number++, true, 15, y + 52, 440, 25, nullptr});
    }
    return widgets;
}

const MasterConfigDialog::NameField allFields[] = {
    MasterConfigDialog::kMaster,         MasterConfigDialog::kNodeFile,
    MasterConfigDialog::kPortFile,       MasterConfigDialog::kNodeDefFile,
    MasterConfigDialog::kMapFile,        MasterConfigDialog::kWwwFile,
    MasterConfigDialog::kPreferenceFile,
};
const int fieldNumbers[] = {6, 12, 18, 24, 30, 36, 42};

std::string textOf(const Fl_Widget* widget) {
    return static_cast<const Fl_Output*>(widget)->value();
}

TEST(MasterConfigDialog, WindowPackAndGroupsAsLaidOut) {
    MasterConfigDialog dialog;
    Fl_Double_Window* window = dialog.window();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->w(), 472);
    EXPECT_EQ(window->h(), 654);
    EXPECT_STREQ(window->label(), "Master Configuration File");
    EXPECT_FALSE(window->shown());

    ASSERT_EQ(window->children(), 1);
    const Fl_Pack* pack = dynamic_cast<const Fl_Pack*>(window->child(0));
    ASSERT_NE(pack, nullptr);
    EXPECT_EQ(pack->type(), Fl_Pack::VERTICAL);
    EXPECT_EQ(pack->x(), 0);
    EXPECT_EQ(pack->y(), 1);
    EXPECT_EQ(pack->w(), 470);
    EXPECT_EQ(pack->h(), 646);
    ASSERT_EQ(pack->children(), 2);
    EXPECT_EQ(pack->child(0)->h(), 5);
    EXPECT_EQ(pack->child(0)->label(), nullptr);

    const Fl_Group* raised = pack->child(1)->as_group();
    ASSERT_NE(raised, nullptr);
    EXPECT_EQ(raised->box(), FL_UP_BOX);
    EXPECT_EQ(raised->x(), 1);
    EXPECT_EQ(raised->y(), 9);
    EXPECT_EQ(raised->w(), 468);
    EXPECT_EQ(raised->h(), 638);
    // Header box, five buttons, the master name field, the inner group.
    ASSERT_EQ(raised->children(), 8);
    const Fl_Widget* header = raised->child(0);
    EXPECT_STREQ(header->label(), "Master Configuration File (store names of all other files)");
    EXPECT_EQ(header->box(), FL_DOWN_BOX);
    EXPECT_EQ(header->color(), 220u);
    EXPECT_EQ(header->labelfont(), FL_BOLD);
    EXPECT_EQ(header->align(), FL_ALIGN_LEFT | FL_ALIGN_INSIDE);
    EXPECT_EQ(header->x(), 6);
    EXPECT_EQ(header->y(), 14);
    EXPECT_EQ(header->w(), 460);
    EXPECT_EQ(header->h(), 25);

    const Fl_Group* inner = raised->child(7)->as_group();
    ASSERT_NE(inner, nullptr);
    EXPECT_EQ(inner->box(), FL_DOWN_BOX);
    EXPECT_EQ(inner->color(), 44u);
    EXPECT_EQ(inner->x(), 10);
    EXPECT_EQ(inner->y(), 105);
    EXPECT_EQ(inner->w(), 454);
    EXPECT_EQ(inner->h(), 520);
    EXPECT_EQ(inner->children(), 6 * 7);
}

TEST(MasterConfigDialog, SectionHeadersAsLaidOut) {
    MasterConfigDialog dialog;
    const Fl_Group* inner = dialog.widget(7)->parent();
    const char* const headers[] = {
        "RVX Node & Comment File",          "RVX Multicast Port File",
        "Node Graphics Configuration File", "Map Graphics Configuration File",
        "Input/Output definitions File",    "Preferences File",
    };
    for (int section = 0; section < 6; ++section) {
        SCOPED_TRACE(headers[section]);
        const Fl_Widget* header = inner->child(section * 7);
        EXPECT_STREQ(header->label(), headers[section]);
        EXPECT_EQ(header->x(), 17);
        EXPECT_EQ(header->y(), 110 + 85 * section);
        EXPECT_EQ(header->w(), 440);
        EXPECT_EQ(header->h(), 25);
        EXPECT_EQ(header->box(), FL_DOWN_BOX);
        EXPECT_EQ(header->color(), 229u);
        EXPECT_EQ(header->labelfont(), FL_BOLD);
        EXPECT_EQ(header->align(), FL_ALIGN_LEFT | FL_ALIGN_INSIDE);
        // The section's widgets follow its header in number order.
        EXPECT_EQ(inner->child(section * 7 + 1), dialog.widget(7 + 6 * section));
    }
}

TEST(MasterConfigDialog, NumberedWidgetsAsLaidOut) {
    MasterConfigDialog dialog;
    for (const Expected& e : layout()) {
        SCOPED_TRACE(e.number);
        const Fl_Widget* widget = dialog.widget(e.number);
        ASSERT_NE(widget, nullptr);
        EXPECT_EQ(widget->x(), e.x);
        EXPECT_EQ(widget->y(), e.y);
        EXPECT_EQ(widget->w(), e.w);
        EXPECT_EQ(widget->h(), e.h);
        if (e.label == nullptr) {
            EXPECT_EQ(widget->label(), nullptr);
        } else {
            EXPECT_STREQ(widget->label(), e.label);
        }
        if (e.field) {
            const Fl_Output* output = dynamic_cast<const Fl_Output*>(widget);
            ASSERT_NE(output, nullptr);
            EXPECT_TRUE(output->readonly());
            EXPECT_TRUE(widget->active());
        } else {
            EXPECT_NE(dynamic_cast<const Fl_Button*>(widget), nullptr);
            // Unlabelled buttons are inactive, labelled ones active.
            EXPECT_EQ(widget->active() != 0, e.label != nullptr);
            EXPECT_EQ(widget->callback(), Fl_Widget::default_callback);
        }
    }
}

TEST(MasterConfigDialog, NumbersOutsideOneTo42GiveNothing) {
    MasterConfigDialog dialog;
    for (int number : {-1, 0, 43, 1000}) {
        SCOPED_TRACE(number);
        EXPECT_EQ(dialog.widget(number), nullptr);
    }
    EXPECT_NE(dialog.widget(1), nullptr);
    EXPECT_NE(dialog.widget(42), nullptr);
}

TEST(MasterConfigDialog, ClearNamesEmptiesAllSevenFields) {
    MasterConfigDialog dialog;
    for (MasterConfigDialog::NameField field : allFields) {
        dialog.setName(field, "something.cfg");
    }
    dialog.clearNames();
    for (int i = 0; i < 7; ++i) {
        SCOPED_TRACE(fieldNumbers[i]);
        EXPECT_STREQ(dialog.name(allFields[i]), "");
        EXPECT_EQ(textOf(dialog.widget(fieldNumbers[i])), "");
    }
}

TEST(MasterConfigDialog, EachNameGoesToItsOwnField) {
    for (int i = 0; i < 7; ++i) {
        SCOPED_TRACE(fieldNumbers[i]);
        MasterConfigDialog dialog;
        dialog.clearNames();
        dialog.setName(allFields[i], "maps/site.cfg");
        for (int j = 0; j < 7; ++j) {
            EXPECT_EQ(textOf(dialog.widget(fieldNumbers[j])), i == j ? "maps/site.cfg" : "");
            EXPECT_STREQ(dialog.name(allFields[j]), i == j ? "maps/site.cfg" : "");
        }
    }
}

TEST(MasterConfigDialog, MapFileNameFillsField30) {
    MasterConfigDialog dialog;
    dialog.clearNames();
    dialog.setName(MasterConfigDialog::kMapFile, "map.cfg");
    EXPECT_EQ(textOf(dialog.widget(30)), "map.cfg");
}

TEST(MasterConfigDialog, FieldKeepsItsOwnCopyAndNullEmptiesIt) {
    MasterConfigDialog dialog;
    std::string name = "nodes.txt";
    dialog.setName(MasterConfigDialog::kNodeFile, name.c_str());
    name.assign("overwritten");
    EXPECT_STREQ(dialog.name(MasterConfigDialog::kNodeFile), "nodes.txt");
    dialog.setName(MasterConfigDialog::kNodeFile, nullptr);
    EXPECT_STREQ(dialog.name(MasterConfigDialog::kNodeFile), "");
}

void fillAll(MasterConfigDialog& dialog) {
    for (int i = 0; i < 7; ++i) {
        dialog.setName(allFields[i], ("file" + std::to_string(i)).c_str());
    }
}

void expectAllUnchanged(const MasterConfigDialog& dialog) {
    for (int i = 0; i < 7; ++i) {
        EXPECT_EQ(std::string(dialog.name(allFields[i])), "file" + std::to_string(i));
    }
}

TEST(MasterConfigDialog, CallingAnyButtonsCallbackChangesNoField) {
    MasterConfigDialog dialog;
    fillAll(dialog);
    for (const Expected& e : layout()) {
        if (e.field || e.label == nullptr) {
            continue;
        }
        SCOPED_TRACE(e.number);
        dialog.widget(e.number)->do_callback();
        expectAllUnchanged(dialog);
    }
    while (Fl::readqueue() != nullptr) {
    }
}

TEST(MasterConfigDialog, ClickingEveryLabelledButtonChangesNoField) {
    MasterConfigDialog dialog;
    fillAll(dialog);
    dialog.show();
    Fl_Double_Window* window = dialog.window();
    ASSERT_TRUE(fltktest::waitFor([window] { return window->visible() && !window->damage(); }));
    while (Fl::readqueue() != nullptr) {
    }
    for (const Expected& e : layout()) {
        if (e.field || e.label == nullptr) {
            continue;
        }
        SCOPED_TRACE(e.number);
        Fl_Widget* button = dialog.widget(e.number);
        testsupport::click(button);
        // The click reached the button: its default callback queued it.
        EXPECT_EQ(Fl::readqueue(), button);
        expectAllUnchanged(dialog);
    }
    window->hide();
    Fl::wait(0);
}

TEST(MasterConfigDialog, ShowOpensTheWindow) {
    MasterConfigDialog dialog;
    dialog.show();
    Fl_Double_Window* window = dialog.window();
    EXPECT_TRUE(fltktest::waitFor([window] { return window->visible() != 0; }));
    window->hide();
    Fl::wait(0);
}

} // namespace
