#pragma once

#include <filesystem>
#include <system_error>

namespace testsupport {

// Makes `directory` the working directory while the object lives, then puts the previous back.
class WorkingDirectory {
public:
    explicit WorkingDirectory(const std::filesystem::path& directory)
        : previous_(std::filesystem::current_path(error_)) {
        std::filesystem::current_path(directory, error_);
    }
    ~WorkingDirectory() { std::filesystem::current_path(previous_, error_); }
    WorkingDirectory(const WorkingDirectory&) = delete;
    WorkingDirectory& operator=(const WorkingDirectory&) = delete;

private:
    std::error_code error_;
    std::filesystem::path previous_;
};

} // namespace testsupport
