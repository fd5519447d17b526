#include "fuzz/support/FuzzFile.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

namespace fuzzsupport {
namespace {

class Folder {
public:
    Folder() {
        std::error_code error;
        const std::filesystem::path shm("/dev/shm");
        const std::filesystem::path base =
            std::filesystem::is_directory(shm, error) && access("/dev/shm", W_OK) == 0
                ? shm
                : std::filesystem::temp_directory_path();
        std::string pattern = (base / "tarnell-fuzz-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) {
            std::perror("fuzz: no scratch folder");
            std::abort();
        }
        path_ = pattern;
    }
    ~Folder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

const Folder& folder() {
    static const Folder instance;
    return instance;
}

} // namespace

std::string FuzzFile::path(const std::string& name) {
    return (folder().path() / name).string();
}

std::string FuzzFile::write(const std::string& name, const uint8_t* data, size_t size) {
    const std::string target = path(name);
    std::FILE* file = std::fopen(target.c_str(), "wb");
    if (file == nullptr || (size > 0 && std::fwrite(data, 1, size, file) != size) ||
        std::fclose(file) != 0) {
        std::perror("fuzz: cannot write the input's file");
        std::abort();
    }
    return target;
}

std::string FuzzFile::write(const std::string& name, const std::string& text) {
    return write(name, reinterpret_cast<const uint8_t*>(text.data()), text.size());
}

} // namespace fuzzsupport
