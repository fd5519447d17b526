#include "ui/ChooserResult.h"

#include <FL/Fl.H>
#include <FL/Fl_File_Chooser.H>

ChooserResult::~ChooserResult() {
    Fl::remove_timeout(eventOver, this);
}

void ChooserResult::attach(Fl_File_Chooser* chooser, Taken taken, void* owner) {
    chooser_ = chooser;
    taken_ = taken;
    owner_ = owner;
    chooser->callback(chooserCalled, this);
}

void ChooserResult::chooserCalled(Fl_File_Chooser*, void* self) {
    auto* result = static_cast<ChooserResult*>(self);
    if (result->chooser_->shown()) {
        // A click in the list, or Enter just before the chooser hides itself.
        Fl::remove_timeout(eventOver, self);
        Fl::add_timeout(0.0, eventOver, self);
        return;
    }
    result->takeIfClosed();
}

void ChooserResult::eventOver(void* self) {
    static_cast<ChooserResult*>(self)->takeIfClosed();
}

// Cancel and the window's close button empty the chooser's name, so a closed chooser that still
// has one was closed by choosing it.
void ChooserResult::takeIfClosed() {
    Fl::remove_timeout(eventOver, this);
    if (chooser_->shown()) {
        return;
    }
    const char* path = chooser_->value();
    if (path != nullptr) {
        taken_(owner_, path);
    }
}
