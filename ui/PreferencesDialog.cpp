#include "ui/PreferencesDialog.h"

#include "ui/DialogParts.h"

#include <FL/Fl_Box.H>
#include <FL/Fl_Check_Button.H>
#include <FL/Fl_Choice.H>
#include <FL/Fl_Double_Window.H>
#include <FL/Fl_Group.H>
#include <FL/Fl_Pack.H>
#include <FL/Fl_Round_Button.H>
#include <FL/Fl_Value_Input.H>

#include <array>

namespace {

// The four sections are equal raised groups, one under the other.
constexpr int groupX = 2;
constexpr int groupW = 470;
constexpr int groupH = 130;

} // namespace

PreferencesDialog::PreferencesDialog() {
    window = new Fl_Double_Window(476, 538, "Map App Preferences");
    // Stays above the main window without blocking it.
    window->set_non_modal();
    Fl_Pack* pack = new Fl_Pack(0, 1, 474, 535);
    new Fl_Box(0, 1, 474, 5);
    buildVehicles();
    buildNavigation();
    buildDisplay();
    buildComments();
    pack->end();
    window->end();
}

// The window owns every widget, so deleting it frees them all.
PreferencesDialog::~PreferencesDialog() {
    delete window;
}

void PreferencesDialog::buildVehicles() {
    Fl_Group* group = ui::raisedGroup(groupX, 9, groupW, groupH);
    ui::headerBox(10, 14, 460, 25, "Select Target Vehicles (check box enables special icons)");
    targetIcon = new Fl_Check_Button(10, 44, 25, 25);
    targetVehicle = new Fl_Choice(35, 44, 100, 25);
    ui::textBox(140, 44, 315, 25, "Target Vehicle Number");
    chaseIcon = new Fl_Check_Button(10, 74, 25, 25);
    chaseVehicle = new Fl_Choice(35, 74, 100, 25);
    ui::textBox(140, 74, 315, 25, "Chase Vehicle Number");
    proxIcon = new Fl_Check_Button(10, 104, 25, 25);
    closeVehicles = new Fl_Choice(35, 104, 100, 25);
    ui::textBox(140, 104, 315, 25, "Number of Close Vehicles to Track");
    group->end();
}

void PreferencesDialog::buildNavigation() {
    Fl_Group* group = ui::raisedGroup(groupX, 139, groupW, groupH);
    ui::headerBox(10, 144, 460, 25, "Navagation");
    trackAll = ui::toggleRoundButton(10, 174, 25, 25);
    ui::textBox(35, 174, 315, 25, "Center on target & Frame All visible nodes ");
    trackTarget = ui::toggleRoundButton(10, 204, 25, 25);
    ui::textBox(35, 204, 315, 25, "Center on target");
    trackRoam = ui::toggleRoundButton(10, 234, 25, 25);
    ui::textBox(35, 234, 357, 25, "Raom using right and left Mouse button click and drag");
    group->end();
}

void PreferencesDialog::buildDisplay() {
    Fl_Group* group = ui::raisedGroup(groupX, 270, groupW, groupH);
    ui::headerBox(10, 275, 460, 25, "Display Options");
    displayAll = ui::toggleRoundButton(10, 305, 25, 25);
    ui::textBox(35, 305, 164, 25, "Display All Nodes");
    displayTargetGroup = ui::toggleRoundButton(10, 335, 25, 25);
    ui::textBox(35, 335, 169, 25, "Display Target vehicles");
    mediumIdle = new Fl_Value_Input(369, 305, 75, 25, "Medium bad Idle in Sec.");
    badIdle = new Fl_Value_Input(369, 335, 75, 25, "Bad Idle in Sec.");
    frameRate = new Fl_Choice(368, 365, 100, 25, "Target frame rate");
    group->end();
}

void PreferencesDialog::buildComments() {
    Fl_Group* group = ui::raisedGroup(groupX, 401, groupW, groupH);
    ui::headerBox(10, 406, 460, 25, "Display Comments");
    commentNode = new Fl_Check_Button(10, 436, 25, 25);
    ui::textBox(35, 436, 207, 25, "Node File Comment");
    commentPacket1 = new Fl_Check_Button(10, 466, 25, 25);
    ui::textBox(35, 466, 202, 25, "Multicast Packet Comment 1");
    commentPacket2 = new Fl_Check_Button(10, 496, 25, 25);
    ui::textBox(35, 496, 200, 25, "Multicast Packet Comment 2");
    group->end();
}

Fl_Widget* PreferencesDialog::widget(int number) const {
    if (number < 1 || number > widgetCount) {
        return nullptr;
    }
    const std::array<Fl_Widget*, widgetCount> widgets = {
        targetIcon, targetVehicle, chaseIcon,   chaseVehicle,   proxIcon,           closeVehicles,
        trackAll,   trackTarget,   trackRoam,   displayAll,     displayTargetGroup, mediumIdle,
        badIdle,    frameRate,     commentNode, commentPacket1, commentPacket2,
    };
    return widgets[number - 1];
}
