#include "tests/tools/ScratchFile.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

ScratchFile::ScratchFile(const std::string& content) {
    const char* folder = std::getenv("TMPDIR");
    std::string pattern = std::string(folder != nullptr ? folder : "/tmp") + "/fleetsim-XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    const int fd = mkstemp(name.data());
    if (fd < 0) {
        return;
    }
    path_ = name.data();
    size_t written = 0;
    while (written < content.size()) {
        const ssize_t n = write(fd, content.data() + written, content.size() - written);
        if (n <= 0) {
            break;
        }
        written += static_cast<size_t>(n);
    }
    close(fd);
}

ScratchFile::~ScratchFile() {
    if (!path_.empty()) {
        std::remove(path_.c_str());
    }
}

std::string ScratchFile::content() const {
    std::string text;
    std::FILE* file = std::fopen(path_.c_str(), "rb");
    if (file == nullptr) {
        return text;
    }
    char buffer[4096];
    size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
        text.append(buffer, n);
    }
    std::fclose(file);
    return text;
}
