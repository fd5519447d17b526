#pragma once

class Fl_File_Chooser;

// Hands a file chooser's name to its owner only when the chooser closes with one: its OK button,
// a double click on a file, or Enter in its name field. FLTK's chooser calls back on every click
// in its list while it stays open, and its Cancel button and window close clear the name without
// calling back, so a click followed by Cancel must leave the owner's name as it was.
//
// OK and a double click hide the chooser before calling back; Enter calls back first and hides
// it after, so a call that comes while the chooser is open is looked at again once the event
// that made it is over.
//
// Ownership: the owner of the chooser owns this object too and destroys it with the chooser; the
// object keeps pointers to both, owns neither. Threads: main thread only. Failure: none; a
// chooser that closes without a name hands nothing over.
class ChooserResult {
public:
    // Called with the chooser's name, never null.
    using Taken = void (*)(void* owner, const char* path);

    ChooserResult() = default;
    ~ChooserResult();
    ChooserResult(const ChooserResult&) = delete;
    ChooserResult& operator=(const ChooserResult&) = delete;

    // Becomes the chooser's callback.
    void attach(Fl_File_Chooser* chooser, Taken taken, void* owner);

private:
    static void chooserCalled(Fl_File_Chooser* chooser, void* self);
    static void eventOver(void* self);
    void takeIfClosed();

    Fl_File_Chooser* chooser_ = nullptr;
    Taken taken_ = nullptr;
    void* owner_ = nullptr;
};
