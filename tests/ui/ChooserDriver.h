#pragma once

#include "tests/support/FltkEvents.h"

#include <FL/Fl_Button.H>
#include <FL/Fl_File_Browser.H>
#include <FL/Fl_File_Chooser.H>
#include <FL/fl_ask.H>

#include <cstring>
#include <fstream>
#include <string>
#include <vector>

namespace dialogtest {

// What FLTK does when a toggle button is clicked: flip it, then call back.
inline void press(Fl_Button* button) {
    button->value(!button->value());
    button->do_callback();
}

// Works a shown Fl_File_Chooser as a user does. It keeps its widgets private, so they are found
// in its shown window by kind and label, once that is drawn (within 10 s). Main thread only.
class ChooserDriver {
public:
    enum Kind { Click, Ok, Cancel, Close };
    struct Action {
        Kind kind;
        const char* text = ""; // the file clicked
    };

    explicit ChooserDriver(Fl_File_Chooser* chooser) : chooser_(chooser) {
        testsupport::waitFor([chooser] { return chooser->visible() != 0; });
        for (Fl_Window* w = Fl::first_window(); w != nullptr; w = Fl::next_window(w)) {
            if (w->label() && !std::strcmp(w->label(), chooser->label()) &&
                testsupport::waitFor([w] { return !w->damage(); })) {
                window_ = w;
                find(w, nullptr, list_);
                find(w, fl_ok, ok_), find(w, fl_cancel, cancel_);
            }
        }
    }
    bool found() const { return list_ && ok_ && cancel_; }

    // Does each action in turn; false when a click missed its file. A clicked line is scrolled
    // to the top of the list, just inside its frame (fillFolder makes the list long enough).
    bool perform(const std::vector<Action>& actions) {
        bool hit = true;
        for (const Action& a : actions) {
            if (a.kind == Close) {
                Fl::handle(FL_CLOSE, window_); // the window manager's close button
            } else if (a.kind == Ok || a.kind == Cancel) {
                testsupport::click(a.kind == Ok ? ok_ : cancel_);
            } else {
                int line = list_->size();
                while (line > 0 && (!list_->text(line) || std::strcmp(list_->text(line), a.text))) {
                    --line;
                }
                list_->topline(line);
                testsupport::clickAt(window_, list_->x() + list_->w() / 3,
                                     list_->y() + Fl::box_dy(list_->box()) + 2);
                hit = hit && line > 0 && list_->value() == line;
            }
        }
        return hit;
    }
    // True when the chooser closed within 10 s of the last action.
    bool closed() {
        const bool hidden = testsupport::waitFor([this] { return !chooser_->shown(); });
        Fl::wait(0.0);
        return hidden;
    }

private:
    template <class Kind> static void find(Fl_Group* group, const char* label, Kind*& found) {
        for (int i = 0; i < group->children() && found == nullptr; ++i) {
            Fl_Widget* child = group->child(i);
            if (dynamic_cast<Kind*>(child) &&
                (!label || (child->label() && !std::strcmp(child->label(), label)))) {
                found = dynamic_cast<Kind*>(child);
            } else if (child->as_group() != nullptr) {
                find(child->as_group(), label, found);
            }
        }
    }

    Fl_File_Chooser* chooser_;
    Fl_Window* window_ = nullptr;
    Fl_File_Browser* list_ = nullptr;
    Fl_Button* ok_ = nullptr;
    Fl_Button* cancel_ = nullptr;
};

// Files that sort after every name the tests choose, so each of those can scroll to the top.
inline void fillFolder(const std::string& folder) {
    for (int i = 0; i < 80; ++i) {
        std::ofstream(folder + "/zz-" + std::to_string(i) + (i % 2 ? ".txt" : ".mcp")) << "\n";
    }
}

} // namespace dialogtest
