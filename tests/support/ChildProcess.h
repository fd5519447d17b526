#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace testsupport {

// Runs a program (searched in PATH) as a child process, with its standard
// output and error either captured through pipes or appended to a log file.
// The child dies with the test (PR_SET_PDEATHSIG) and a child still running
// when the object goes is killed by its process id and reaped. One thread.
class ChildProcess {
public:
    // How the child ended: `ended` false while it still runs.
    struct Exit {
        bool ended = false;
        bool exited = false; // by exit, not by a signal
        int status = -1;     // exit status, or the signal's number
    };
    struct Outcome {
        bool exited = false;   // ended by exit, not by a signal or the deadline
        int status = -1;       // exit status when exited
        bool timedOut = false; // killed at the deadline
        std::string out;
        std::string err;
    };

    ChildProcess() = default;
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // `log` "" captures both streams; otherwise both are appended to that file.
    bool start(const std::string& program, const std::vector<std::string>& arguments,
               const std::string& log = "");
    pid_t pid() const { return pid_; }
    // Reads standard output until something arrives or the time is up.
    bool waitForOutput(std::chrono::milliseconds timeout);
    bool signal(int number);
    // Whether the child still runs; once it has ended its exit is kept.
    bool running();
    Exit waitExit(std::chrono::milliseconds limit);
    // SIGTERM, then SIGKILL when it has not ended within two seconds.
    Exit stop();
    // Collects the output until the child ends; at the deadline it is killed.
    Outcome finish(std::chrono::milliseconds timeout);

    static Outcome run(const std::string& program, const std::vector<std::string>& arguments,
                       std::chrono::milliseconds timeout = std::chrono::seconds(30));
    // Runs `body` in a forked child with both streams captured, so a test can check the exact
    // message and status of a path that ends the process; a body that returns exits with 0.
    static Outcome runFunction(const std::function<void()>& body,
                               std::chrono::milliseconds timeout = std::chrono::seconds(60));

private:
    // Reads what is there within `timeout`; false when both pipes are closed.
    bool pump(std::chrono::milliseconds timeout);
    void closePipes();
    void collect(int waitStatus);

    pid_t pid_ = -1;
    Exit exit_;
    int outFd_ = -1;
    int errFd_ = -1;
    std::string out_;
    std::string err_;
};

} // namespace testsupport
