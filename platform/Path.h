#pragma once

#include <string>

namespace platform {

// Path splitting and the working directory. On this platform the drive part
// of a split path is always empty. Main thread: the working directory is
// process-wide.
class Path {
public:
    struct Parts {
        std::string drive;
        std::string directory; // with its trailing "/", empty when there is none
        std::string fileName;  // without the extension
        std::string extension; // with its leading ".", empty when there is none
    };

    static Parts split(const std::string& path);
    // Returns false (and leaves the working directory as it was) on failure,
    // which includes an empty path.
    static bool changeDirectory(const std::string& directory);
    // Empty when the working directory cannot be read.
    static std::string currentDirectory();
};

} // namespace platform
