#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace testsupport {

// A fresh directory under the system's temporary folder, removed with all in it when it goes.
class TempDir {
public:
    TempDir() {
        std::string pattern = (std::filesystem::temp_directory_path() / "tarnell-XXXXXX").string();
        path_ = mkdtemp(pattern.data()) != nullptr ? pattern : "";
    }
    ~TempDir() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    // The path of a file in the directory (not created).
    std::string file(const std::string& name) const { return (path_ / name).string(); }
    // Writes the bytes exactly (binary); the file's path, or "" when it could not be written.
    std::string write(const std::string& name, const std::string& bytes) const {
        std::ofstream out(path_ / name, std::ios::binary);
        return out << bytes && out.flush() ? file(name) : std::string();
    }
    // A file's whole content; "" when it cannot be read.
    static std::string read(const std::string& file) {
        std::ifstream in(file, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

private:
    std::filesystem::path path_;
};

} // namespace testsupport
