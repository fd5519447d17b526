#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace testsupport {

// A fresh directory under the system's temporary folder, removed with
// everything in it when the object goes.
class TempDir {
public:
    TempDir() {
        std::string pattern = (std::filesystem::temp_directory_path() / "tarnell-XXXXXX").string();
        if (mkdtemp(pattern.data()) != nullptr) {
            path_ = pattern;
        }
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

    // Writes the bytes exactly as given (binary); returns the file's path,
    // or "" when it could not be written.
    std::string write(const std::string& name, const std::string& bytes) const {
        const std::filesystem::path target = path_ / name;
        std::ofstream out(target, std::ios::binary);
        out << bytes;
        out.close();
        return out ? target.string() : std::string();
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
