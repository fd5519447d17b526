#pragma once

#include "config/Preferences.h"

#include <cstdint>
#include <string>
#include <vector>

namespace config {

// Applies a preferences file to the preferences record. Lines of exactly
// three words ("target id 7", "track mode roam") set one field each, in file
// order; words are compared ignoring ASCII letter case. Unknown lines, and
// flag or mode lines with a value word they do not know, change nothing.
// The record is not reset first: a field the file does not name keeps its
// value. The alert distance and the trail span must be numbers in their
// range: another value keeps the field as it was and adds a warning line.
// Pure apart from reading the file; the caller owns the record and
// calls from the thread that owns it (the main thread).
class PreferencesFile {
public:
    // The close-vehicle choice offers "NONE" and 1 to 9.
    static constexpr int32_t kMaxProxNumber = 9;
    // A trail longer than a day would be a few points an hour.
    static constexpr double kMaxTrailSeconds = 86400.0;

    // Returns whether the file could be read; an unreadable file leaves the
    // record as it was. A prox number above kMaxProxNumber ends at it. Each
    // value refused is told by one line in `warnings` (when given), naming
    // the file, the line and the value kept, for the caller to show.
    static bool load(const char* path, Preferences& preferences,
                     std::vector<std::string>* warnings = nullptr);
};

} // namespace config
