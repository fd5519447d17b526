#pragma once

#include "tests/support/WorkingDirectory.h"

#include <FL/Fl.H>

#include <chrono>
#include <filesystem>
#include <system_error>

namespace fltktest {

// Runs FLTK's event processing until `done` holds or `seconds` pass; true when it held. Windows
// under a virtual X server map and draw asynchronously, so tests wait for the state they need
// instead of sleeping.
template <class Condition> bool waitFor(Condition done, double seconds = 10.0) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (!done()) {
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        Fl::wait(0.02);
    }
    return true;
}

using testsupport::WorkingDirectory;

} // namespace fltktest
