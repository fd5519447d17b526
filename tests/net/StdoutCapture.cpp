#include "tests/net/StdoutCapture.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <thread>

namespace nettest {

StdoutCapture::StdoutCapture() {
    char pattern[] = "/tmp/net-stdout-XXXXXX";
    file_ = mkstemp(pattern);
    path_ = pattern;
    std::fflush(stdout);
    saved_ = dup(STDOUT_FILENO);
    dup2(file_, STDOUT_FILENO);
}

StdoutCapture::~StdoutCapture() {
    const std::string captured = text();
    std::fflush(stdout);
    dup2(saved_, STDOUT_FILENO);
    ::close(saved_);
    ::close(file_);
    unlink(path_.c_str());
    if (::testing::Test::HasFailure()) {
        std::printf("--- captured standard output ---\n%s--- end ---\n", captured.c_str());
        std::fflush(stdout);
    }
}

std::string StdoutCapture::text() {
    std::fflush(stdout);
    std::string all;
    char chunk[4096];
    off_t offset = 0;
    for (;;) {
        const ssize_t got = pread(file_, chunk, sizeof chunk, offset);
        if (got <= 0) {
            return all;
        }
        all.append(chunk, static_cast<size_t>(got));
        offset += got;
    }
}

int StdoutCapture::count(const std::string& piece) {
    const std::string all = text();
    int found = 0;
    for (size_t at = all.find(piece); at != std::string::npos; at = all.find(piece, at + 1)) {
        ++found;
    }
    return found;
}

bool StdoutCapture::waitForCount(const std::string& piece, int times,
                                 std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (count(piece) < times) {
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

} // namespace nettest
