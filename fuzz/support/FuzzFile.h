#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace fuzzsupport {

// The fuzz input as a file, for the readers that take a path. Each file lives in a folder of
// this process's own (in /dev/shm when there is one, the RAM disk being the quick place for
// thousands of small writes a second), removed with everything in it when the process ends.
// One thread.
class FuzzFile {
public:
    // Writes the bytes as given to the file `name` of the folder and returns its path; the
    // target ends at once when it cannot (a fuzz run without its file would test nothing).
    static std::string write(const std::string& name, const uint8_t* data, size_t size);
    static std::string write(const std::string& name, const std::string& text);
    // The path of a file in the folder, not created.
    static std::string path(const std::string& name);
};

} // namespace fuzzsupport
