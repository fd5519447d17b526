#pragma once

#include <optional>
#include <string>

namespace app {

// What the program takes from its command line: the first argument, unless
// it begins with "-", names the master configuration file. Its directory
// becomes the working directory, so that relative names inside the
// configuration files resolve next to it, and the file is then loaded by its
// bare name. Further arguments are ignored. Main thread.
struct EntryArguments {
    std::optional<std::string> directory;  // to make current; none for a bare name
    std::optional<std::string> configFile; // file name and extension; none without one

    static EntryArguments fromArgv(int argc, const char* const* argv);
    // Makes the directory current; a directory that cannot be entered is
    // ignored, as is none. Returns whether the working directory changed.
    bool enterDirectory() const;
};

} // namespace app
