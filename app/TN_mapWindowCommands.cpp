// The commands of the main window and the preferences dialog. Each writes the
// preferences record or shows a dialog; the tick and the frame read them
// afresh, so every change takes effect at once.
#include "app/TN_mapWindow.h"

#include "ui/InputsDialog.h"
#include "ui/MasterConfigDialog.h"
#include "ui/OutputsDialog.h"
#include "ui/PreferencesDialog.h"

#include <FL/Fl_Button.H>
#include <FL/Fl_Choice.H>
#include <FL/Fl_Double_Window.H>
#include <FL/Fl_Round_Button.H>

namespace app {
namespace {

bool buttonOn(Fl_Widget* widget) {
    return static_cast<Fl_Button*>(widget)->value() != 0;
}

// Radio group rule: a button pressed while on has just turned itself off; it
// is turned on again and nothing changes (false). Otherwise it stays on and
// the others of its group go off (true).
template <size_t N>
bool selectRadio(Fl_Widget* caller, const std::array<Fl_Round_Button*, N>& group) {
    Fl_Button* button = static_cast<Fl_Button*>(caller);
    if (button->value() == 0) {
        button->value(1);
        return false;
    }
    for (Fl_Round_Button* other : group) {
        if (other != button) {
            other->value(0);
        }
    }
    return true;
}

} // namespace

void TN_mapWindow::menuWindow_(Fl_Widget* /*widget*/) {
    quitRequested_ = true;
}

void TN_mapWindow::graphicsToggle_(Fl_Widget* /*widget*/) {
    Fl_Double_Window* window = preferencesDialog_->window;
    if (window->shown()) {
        window->hide();
    } else {
        window->show();
    }
}

void TN_mapWindow::fileChooser_(Fl_Widget* /*widget*/) {}

void TN_mapWindow::close_(Fl_Widget* /*widget*/) {
    quitRequested_ = true;
}

void TN_mapWindow::graphics_(Fl_Widget* /*widget*/) {
    preferencesDialog_->window->show();
}

void TN_mapWindow::files_(Fl_Widget* /*widget*/) {
    masterConfigDialog_->show();
}

void TN_mapWindow::inputs_(Fl_Widget* /*widget*/) {
    inputsDialog_->window->show();
}

void TN_mapWindow::outputs_(Fl_Widget* /*widget*/) {
    outputsDialog_->window->show();
}

// The vehicle choices list the table's nodes in table order, so the selected
// row is a table position; the preference takes that node's identifier.
void TN_mapWindow::targetVehicle_(Fl_Widget* widget) {
    const nodes::NodeRecord* record =
        nodeTable_->recordAt(static_cast<Fl_Choice*>(widget)->value());
    if (record != nullptr) {
        preferences_->targetId = record->id;
    }
}

void TN_mapWindow::chaseVehicle_(Fl_Widget* widget) {
    const nodes::NodeRecord* record =
        nodeTable_->recordAt(static_cast<Fl_Choice*>(widget)->value());
    if (record != nullptr) {
        preferences_->chaseId = record->id;
    }
}

void TN_mapWindow::closeVehicles_(Fl_Widget* widget) {
    // Item k means k close vehicles; a choice with nothing selected (-1)
    // leaves the number as it was.
    const int row = static_cast<Fl_Choice*>(widget)->value();
    if (row >= 0) {
        preferences_->proxNumber = row;
    }
}

void TN_mapWindow::targetIcon_(Fl_Widget* widget) {
    preferences_->targetIcon = buttonOn(widget);
}

void TN_mapWindow::chaseIcon_(Fl_Widget* widget) {
    preferences_->chaseIcon = buttonOn(widget);
}

void TN_mapWindow::closeIcon_(Fl_Widget* widget) {
    preferences_->proxIcon = buttonOn(widget);
}

void TN_mapWindow::trackAll_(Fl_Widget* widget) {
    if (selectRadio(widget, trackButtons())) {
        preferences_->trackMode = config::Preferences::kTrackAll;
    }
}

void TN_mapWindow::trackTarget_(Fl_Widget* widget) {
    if (selectRadio(widget, trackButtons())) {
        preferences_->trackMode = config::Preferences::kTrackTargetGroup;
    }
}

void TN_mapWindow::trackRoam_(Fl_Widget* widget) {
    if (selectRadio(widget, trackButtons())) {
        preferences_->trackMode = config::Preferences::kTrackRoam;
    }
}

void TN_mapWindow::displayAll_(Fl_Widget* widget) {
    if (selectRadio(widget, displayButtons())) {
        preferences_->displayMode = config::Preferences::kDisplayAll;
    }
}

void TN_mapWindow::displayTargetGroup_(Fl_Widget* widget) {
    if (selectRadio(widget, displayButtons())) {
        preferences_->displayMode = config::Preferences::kDisplayTargetGroup;
    }
}

void TN_mapWindow::commentNode_(Fl_Widget* widget) {
    preferences_->commentNode = buttonOn(widget);
}

void TN_mapWindow::commentPacket1_(Fl_Widget* widget) {
    preferences_->commentPacket1 = buttonOn(widget);
}

void TN_mapWindow::commentPacket2_(Fl_Widget* widget) {
    preferences_->commentPacket2 = buttonOn(widget);
}

std::array<Fl_Round_Button*, 3> TN_mapWindow::trackButtons() const {
    return {preferencesDialog_->trackAll, preferencesDialog_->trackTarget,
            preferencesDialog_->trackRoam};
}

std::array<Fl_Round_Button*, 2> TN_mapWindow::displayButtons() const {
    return {preferencesDialog_->displayAll, preferencesDialog_->displayTargetGroup};
}

} // namespace app
