#include "ui/MasterConfigDialog.h"

#include <FL/Fl_Box.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Double_Window.H>
#include <FL/Fl_Group.H>
#include <FL/Fl_Output.H>
#include <FL/Fl_Pack.H>

namespace {

constexpr int sectionCount = 6;
constexpr int buttonsPerRow = 5;
constexpr int topButtonX[buttonsPerRow] = {10, 103, 197, 291, 385};
constexpr int sectionButtonX[buttonsPerRow] = {17, 107, 197, 287, 377};

struct Section {
    const char* header;
    const char* buttons[buttonsPerRow]; // null: an inactive button without label
};

constexpr Section sections[sectionCount] = {
    {"RVX Node & Comment File", {"Load", "Reload", nullptr, nullptr, nullptr}},
    {"RVX Multicast Port File", {"Load", "Reload", nullptr, nullptr, nullptr}},
    {"Node Graphics Configuration File", {"Load", "Reload", nullptr, nullptr, nullptr}},
    {"Map Graphics Configuration File", {"Load", "Reload", nullptr, nullptr, nullptr}},
    {"Input/Output definitions File", {"Load", "Reload", "Save", "Save As", "Edit"}},
    {"Preferences File", {"Load", "Reload", "Save", "Save As", "Edit"}},
};

// Numbers of the name fields, by NameField.
constexpr int nameFieldNumber[] = {6, 12, 18, 24, 30, 36, 42};

Fl_Box* headerBox(int x, int y, int w, int h, const char* label, Fl_Color colour) {
    Fl_Box* box = new Fl_Box(x, y, w, h, label);
    box->box(FL_DOWN_BOX);
    box->color(colour);
    box->labelfont(FL_BOLD);
    box->align(FL_ALIGN_LEFT | FL_ALIGN_INSIDE);
    return box;
}

Fl_Button* button(int x, int y, const char* label) {
    Fl_Button* result = new Fl_Button(x, y, 80, 25, label);
    if (label == nullptr) {
        result->deactivate();
    }
    return result;
}

} // namespace

MasterConfigDialog::MasterConfigDialog() {
    window_ = new Fl_Double_Window(472, 654, "Master Configuration File");
    Fl_Pack* pack = new Fl_Pack(0, 1, 470, 646);
    new Fl_Box(0, 1, 470, 5);
    Fl_Group* raised = new Fl_Group(1, 9, 468, 638);
    raised->box(FL_UP_BOX);
    int number = 1;
    buildTop(number);
    buildSections(number);
    raised->end();
    pack->end();
    window_->end();
}

// The window owns every widget, so deleting it frees them all.
MasterConfigDialog::~MasterConfigDialog() {
    delete window_;
}

void MasterConfigDialog::buildTop(int& number) {
    headerBox(6, 14, 460, 25, "Master Configuration File (store names of all other files)", 220);
    const char* labels[buttonsPerRow] = {"Load", "Reload", "Save", "Save As", nullptr};
    for (int i = 0; i < buttonsPerRow; ++i) {
        widgets_[number++] = button(topButtonX[i], 45, labels[i]);
    }
    widgets_[number++] = new Fl_Output(10, 75, 455, 25);
}

void MasterConfigDialog::buildSections(int& number) {
    Fl_Group* inner = new Fl_Group(10, 105, 454, 520);
    inner->box(FL_DOWN_BOX);
    inner->color(44);
    for (int section = 0; section < sectionCount; ++section) {
        buildSection(section, number);
    }
    inner->end();
}

void MasterConfigDialog::buildSection(int section, int& number) {
    const int y = 110 + 85 * section;
    headerBox(17, y, 440, 25, sections[section].header, 229);
    for (int i = 0; i < buttonsPerRow; ++i) {
        widgets_[number++] = button(sectionButtonX[i], y + 26, sections[section].buttons[i]);
    }
    widgets_[number++] = new Fl_Output(15, y + 52, 440, 25);
}

Fl_Widget* MasterConfigDialog::widget(int number) const {
    if (number < 1 || number > widgetCount) {
        return nullptr;
    }
    return widgets_[number];
}

Fl_Output* MasterConfigDialog::nameField(NameField field) const {
    if (field < kMaster || field > kPreferenceFile) {
        return nullptr;
    }
    return static_cast<Fl_Output*>(widgets_[nameFieldNumber[field]]);
}

void MasterConfigDialog::clearNames() {
    for (int field = kMaster; field <= kPreferenceFile; ++field) {
        setName(static_cast<NameField>(field), nullptr);
    }
}

void MasterConfigDialog::setName(NameField field, const char* name) {
    Fl_Output* output = nameField(field);
    if (output == nullptr) {
        return;
    }
    output->value(name != nullptr ? name : "");
}

const char* MasterConfigDialog::name(NameField field) const {
    const Fl_Output* output = nameField(field);
    return output != nullptr ? output->value() : "";
}

void MasterConfigDialog::show() {
    window_->show();
}
