#pragma once

#include <filesystem>
#include <system_error>

namespace testsupport {

// Makes `directory` the working directory for the object's life, so files the
// code under test names relative to it land there, and puts the previous one
// back afterwards.
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

} // namespace testsupport
