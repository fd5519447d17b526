#pragma once

#include "config/Preferences.h"

#include <cstdint>

namespace config {

// Applies a preferences file to the preferences record. Lines of exactly
// three words ("target id 7", "track mode roam") set one field each, in file
// order; words are compared ignoring ASCII letter case. Unknown lines, and
// flag or mode lines with a value word they do not know, change nothing.
// The record is not reset first: a field the file does not name keeps its
// value. Pure apart from reading the file; the caller owns the record and
// calls from the thread that owns it (the main thread).
class PreferencesFile {
public:
    // The close-vehicle choice offers "NONE" and 1 to 9.
    static constexpr int32_t kMaxProxNumber = 9;

    // Returns whether the file could be read; an unreadable file leaves the
    // record as it was. A prox number above kMaxProxNumber ends at it.
    static bool load(const char* path, Preferences& preferences);
};

} // namespace config
