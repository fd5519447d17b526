#pragma once

#include <FL/Fl.H>

namespace testsupport {

// Receivers and the remote poll call Fl::awake(); FLTK wants its lock taken
// before any thread starts, so a suite that includes this takes it at load.
inline const bool fltkLocked = [] {
    Fl::lock();
    return true;
}();

} // namespace testsupport
