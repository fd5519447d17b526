#pragma once

#include <string>

namespace inputs {

// Finds the block of a state file among the lines of a file or an HTTP
// response: lines before the opening marker "<rvx>" are skipped (headers,
// anything), lines inside it are records, and "</rvx" ends it. Markers are
// compared without regard to letter case. Pure; any thread.
class StateBlock {
public:
    enum Step { kOutside, kMarker, kRecord, kEnded };

    // What the line is, given the lines before it.
    Step take(const std::string& line);
    bool opened() const { return opened_; }

private:
    bool opened_ = false;
    bool ended_ = false;
};

} // namespace inputs
