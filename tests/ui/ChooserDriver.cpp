#include "tests/ui/ChooserDriver.h"

#include "tests/render/FltkWait.h"
#include "tests/support/FltkEvents.h"

#include <FL/Fl.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_File_Browser.H>
#include <FL/Fl_File_Chooser.H>
#include <FL/Fl_File_Input.H>
#include <FL/Fl_Group.H>
#include <FL/Fl_Window.H>
#include <FL/fl_ask.H>

#include <cstring>
#include <fstream>

namespace dialogtest {
namespace {

Fl_Window* shownWindowTitled(const char* title) {
    for (Fl_Window* window = Fl::first_window(); window != nullptr;
         window = Fl::next_window(window)) {
        if (window->label() != nullptr && std::strcmp(window->label(), title) == 0) {
            return window;
        }
    }
    return nullptr;
}

template <class Kind> void findAll(Fl_Group* group, const char* label, Kind*& found) {
    for (int i = 0; i < group->children() && found == nullptr; ++i) {
        Fl_Widget* child = group->child(i);
        Kind* asKind = dynamic_cast<Kind*>(child);
        if (asKind != nullptr && (label == nullptr || (child->label() != nullptr &&
                                                       !std::strcmp(child->label(), label)))) {
            found = asKind;
        } else if (child->as_group() != nullptr) {
            findAll(child->as_group(), label, found);
        }
    }
}

} // namespace

ChooserDriver::ChooserDriver(Fl_File_Chooser* chooser) : chooser_(chooser) {
    if (!fltktest::waitFor([chooser] { return chooser->visible() != 0; })) {
        return;
    }
    Fl_Window* window = shownWindowTitled(chooser->label());
    // Drawn once, its file list has laid out its lines and takes clicks where they show.
    if (window == nullptr || !fltktest::waitFor([window] { return !window->damage(); })) {
        return;
    }
    window_ = window;
    findAll(window_, nullptr, list_);
    findAll(window_, nullptr, name_);
    findAll(window_, fl_ok, ok_);
    findAll(window_, fl_cancel, cancel_);
}

bool ChooserDriver::clickFile(const std::string& name, bool doubleClick) {
    if (list_ == nullptr) {
        return false;
    }
    for (int line = 1; line <= list_->size(); ++line) {
        if (list_->text(line) == nullptr || name != list_->text(line)) {
            continue;
        }
        // Scrolled to the top of the list, the line sits just inside the list's frame.
        list_->topline(line);
        const int x = list_->x() + list_->w() / 3;
        const int y = list_->y() + Fl::box_dy(list_->box()) + 2;
        testsupport::clickAt(window_, x, y);
        if (doubleClick) {
            testsupport::clickAt(window_, x, y, 1);
        }
        return list_->value() == line;
    }
    return false;
}

// Key by key, so the field reacts to each as it does to typing (it completes and expands names).
void ChooserDriver::typeName(const std::string& text) {
    name_->take_focus();
    name_->value("");
    // FLTK keeps a pointer to the event text, so it must outlive the event.
    static char typed[2] = {};
    for (char key : text) {
        typed[0] = key;
        Fl::e_keysym = static_cast<unsigned char>(key);
        Fl::e_state = 0;
        Fl::e_text = typed;
        Fl::e_length = 1;
        Fl::handle(FL_KEYBOARD, window_);
    }
}

void ChooserDriver::pressEnter() {
    name_->take_focus();
    Fl::e_keysym = FL_Enter;
    Fl::e_text = const_cast<char*>("\r");
    Fl::e_length = 1;
    Fl::handle(FL_KEYBOARD, window_);
}

void ChooserDriver::pressOk() {
    testsupport::click(ok_);
}

void ChooserDriver::pressCancel() {
    testsupport::click(cancel_);
}

// What FLTK does with the window manager's delete message.
void ChooserDriver::closeWindow() {
    Fl::handle(FL_CLOSE, window_);
}

bool ChooserDriver::perform(const std::vector<Action>& actions) {
    bool hit = true;
    for (const Action& action : actions) {
        switch (action.kind) {
        case Action::Click:
        case Action::DoubleClick:
            hit = clickFile(action.text, action.kind == Action::DoubleClick) && hit;
            break;
        case Action::Type:
            typeName(action.text);
            break;
        case Action::Enter:
            pressEnter();
            break;
        case Action::Ok:
            pressOk();
            break;
        case Action::Cancel:
            pressCancel();
            break;
        case Action::Close:
            closeWindow();
            break;
        }
    }
    return hit;
}

bool ChooserDriver::closed() {
    const bool hidden = fltktest::waitFor([this] { return !chooser_->shown(); });
    Fl::wait(0.0);
    return hidden;
}

void fillFolder(const std::string& folder) {
    for (int i = 0; i < 40; ++i) {
        for (const char* extension : {".txt", ".mcp"}) {
            std::ofstream(folder + "/zz-filler-" + std::to_string(i) + extension) << "\n";
        }
    }
}

} // namespace dialogtest
