#pragma once

#include <chrono>
#include <string>

namespace nettest {

// Sends the process's standard output (fd 1, so every thread's writes) to a
// temporary file while the object lives, and reads it back at any time. When
// the test has failed, what was captured is echoed to the real output at the
// end, so neither gtest's messages nor the socket lines are lost.
class StdoutCapture {
public:
    StdoutCapture();
    ~StdoutCapture();
    StdoutCapture(const StdoutCapture&) = delete;
    StdoutCapture& operator=(const StdoutCapture&) = delete;

    std::string text();
    // How many times the exact text occurs in what was captured.
    int count(const std::string& piece);
    // Waits until piece occurs at least times times; false at the deadline.
    bool waitForCount(const std::string& piece, int times, std::chrono::milliseconds limit);

private:
    int file_ = -1;
    int saved_ = -1;
    std::string path_;
};

} // namespace nettest
