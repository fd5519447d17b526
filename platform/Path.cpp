#include "platform/Path.h"

#include <unistd.h>

#include <climits>
#include <vector>

namespace platform {

Path::Parts Path::split(const std::string& path) {
    Parts parts;
    const std::string::size_type slash = path.find_last_of('/');
    std::string base = path;
    if (slash != std::string::npos) {
        parts.directory = path.substr(0, slash + 1);
        base = path.substr(slash + 1);
    }
    // A leading dot names a hidden file, not an extension (".profile").
    const std::string::size_type dot = base.find_last_of('.');
    if (dot != std::string::npos && dot > 0) {
        parts.fileName = base.substr(0, dot);
        parts.extension = base.substr(dot);
    } else {
        parts.fileName = base;
    }
    return parts;
}

bool Path::changeDirectory(const std::string& directory) {
    if (directory.empty()) {
        return false;
    }
    return chdir(directory.c_str()) == 0;
}

std::string Path::currentDirectory() {
    std::vector<char> buffer(PATH_MAX + 1, '\0');
    if (getcwd(buffer.data(), buffer.size()) == nullptr) {
        return {};
    }
    return std::string(buffer.data());
}

} // namespace platform
