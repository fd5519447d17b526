#pragma once

#include "tests/support/FltkEvents.h"

#include <FL/Fl_Button.H>
#include <FL/Fl_File_Browser.H>
#include <FL/Fl_File_Chooser.H>
#include <FL/fl_ask.H>

#include <cstring>
#include <fstream>
#include <string>

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
    enum Kind { Ok, Cancel, Close };

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

    // A click on the line that reads `file`, scrolled to the top of the list, just inside its
    // frame, since FLTK tells no line's place (fillFolder makes the list long enough). False when
    // it missed.
    bool click(const char* file) {
        int line = list_->size();
        while (line > 0 && (!list_->text(line) || std::strcmp(list_->text(line), file))) {
            --line;
        }
        list_->topline(line);
        testsupport::clickAt(window_, list_->x() + list_->w() / 3,
                             list_->y() + Fl::box_dy(list_->box()) + 2);
        return line > 0 && list_->value() == line;
    }
    // OK, Cancel, or the window manager's close button.
    void close(Kind how) {
        how == Close ? static_cast<void>(Fl::handle(FL_CLOSE, window_))
                     : testsupport::click(how == Ok ? ok_ : cancel_);
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

// Files sorting after every name chosen, so that each can scroll to the top.
inline void fillFolder(const std::string& folder) {
    for (int i = 0; i < 80; ++i) {
        std::ofstream(folder + "/zz-" + std::to_string(i) + (i % 2 ? ".txt" : ".mcp")) << "\n";
    }
}

} // namespace dialogtest
