#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace testsupport {

// A program (searched in PATH) as a child process, its standard output and error captured
// through pipes or appended to a log file. The child dies with the test (PR_SET_PDEATHSIG); one
// still running when the object goes is killed and reaped. One thread.
class ChildProcess {
public:
    struct Exit {
        bool ended = false;  // false while it runs
        bool exited = false; // by exit, not by a signal
        int status = -1;     // exit status, or the signal's number
    };
    struct Outcome {
        bool exited = false;   // by exit, not by a signal or the deadline
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
    // Whether it still runs; once it has ended its exit is kept.
    bool running();
    Exit waitExit(std::chrono::milliseconds limit);
    // SIGTERM, then SIGKILL when it has not ended within two seconds.
    Exit stop();
    // Collects the output until it ends; at the deadline it is killed.
    Outcome finish(std::chrono::milliseconds timeout);
    static Outcome run(const std::string& program, const std::vector<std::string>& arguments,
                       std::chrono::milliseconds timeout = std::chrono::seconds(30));
    // Runs `body` in a forked child with both streams captured, so a test can check the exact
    // message and status of a path that ends the process; a body that returns exits with 0.
    static Outcome runFunction(const std::function<void()>& body,
                               std::chrono::milliseconds timeout = std::chrono::seconds(60));

private:
    // Forks a child that runs `child` with its streams on pipes or the log.
    bool spawn(const std::function<void()>& child, const std::string& log);
    // Reads what comes within `timeout`; false once both pipes are closed.
    bool pump(std::chrono::milliseconds timeout);

    pid_t pid_ = -1;
    Exit exit_;
    int fds_[2] = {-1, -1}; // standard output, standard error
    std::string out_;
    std::string err_;
};

} // namespace testsupport
