#pragma once

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

// Makes `directory` the working directory for the object's life, so files the code under test
// writes "in the working directory" land there.
class WorkingDirectory {
public:
    explicit WorkingDirectory(const std::filesystem::path& directory) {
        std::error_code error;
        previous_ = std::filesystem::current_path(error);
        std::filesystem::current_path(directory, error);
    }
    ~WorkingDirectory() {
        std::error_code ignored;
        std::filesystem::current_path(previous_, ignored);
    }
    WorkingDirectory(const WorkingDirectory&) = delete;
    WorkingDirectory& operator=(const WorkingDirectory&) = delete;

private:
    std::filesystem::path previous_;
};

} // namespace fltktest
