#include "inputs/AtomicFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

namespace inputs {

AtomicFile::AtomicFile(std::string path) : path_(std::move(path)) {}

AtomicFile::~AtomicFile() {
    discard();
}

// The temporary is made with the usual permissions (the umask applies) so
// that a web server can serve the file once renamed; O_EXCL keeps two
// writers from sharing one temporary.
bool AtomicFile::open() {
    if (stream_ != nullptr || path_.empty()) {
        return false;
    }
    for (int attempt = 0; attempt < 100; ++attempt) {
        temporary_ = path_ + ".tmp" + std::to_string(getpid()) + "-" + std::to_string(attempt);
        const int fd = ::open(temporary_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            stream_ = fdopen(fd, "w");
            if (stream_ == nullptr) {
                ::close(fd);
                std::remove(temporary_.c_str());
                temporary_.clear();
            }
            return stream_ != nullptr;
        }
        if (errno != EEXIST) {
            break;
        }
    }
    temporary_.clear();
    return false;
}

bool AtomicFile::commit(bool written) {
    if (stream_ == nullptr) {
        return false;
    }
    const bool closed = std::fclose(stream_) == 0;
    stream_ = nullptr;
    if (!written || !closed || std::rename(temporary_.c_str(), path_.c_str()) != 0) {
        discard();
        return false;
    }
    temporary_.clear();
    return true;
}

void AtomicFile::discard() {
    if (stream_ != nullptr) {
        std::fclose(stream_);
        stream_ = nullptr;
    }
    if (!temporary_.empty()) {
        std::remove(temporary_.c_str());
        temporary_.clear();
    }
}

} // namespace inputs
